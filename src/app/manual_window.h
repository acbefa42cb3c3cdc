#pragma once
#include <QDialog>

// 帮助 → 操作手册: the user manual shipped inside the program, shown in a
// window of its own that stays open beside the work.
class ManualWindow : public QDialog
{
    Q_OBJECT
public:
    explicit ManualWindow(QWidget *parent = nullptr);
};
