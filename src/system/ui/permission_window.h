#pragma once
#include "system/permission_editor.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;

// 权限设置: the menu entries and other rights of one employee, chosen by name.
class TGGQX : public QWidget
{
    Q_OBJECT
public:
    explicit TGGQX(QWidget *parent = nullptr);

private:
    void showEmployee(const QString &name);
    void fillWidgets();
    void takeWidgets();
    void save();

    PermissionEditor m_editor;
    QComboBox *m_employee = nullptr;
    std::array<QListWidget *, 4> m_lists{};
    std::array<QCheckBox *, 9> m_rights{};
    QPushButton *m_save = nullptr;
    QPushButton *m_exit = nullptr;
};
