#pragma once
#include <QDialog>

class QLineEdit;
class QPushButton;

// 修改密码: the logged-in user changes his own password. Enter in a box moves
// on to the next one; in the last box it presses "确 定".
class Tggmm : public QDialog
{
    Q_OBJECT
public:
    explicit Tggmm(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void confirm();

    QLineEdit *m_old = nullptr;
    QLineEdit *m_new = nullptr;
    QLineEdit *m_repeat = nullptr;
    QPushButton *m_ok = nullptr;
};
