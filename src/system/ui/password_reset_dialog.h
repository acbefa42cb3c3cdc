#pragma once
#include <QDialog>

class QLineEdit;
class QPushButton;

// The administrator gives an employee a new password, typed twice. 确 定 with
// two different texts says "两次输入的密码不一致！" and keeps the dialog open;
// otherwise the reset's outcome is shown and a success closes the dialog.
class PasswordResetDialog : public QDialog
{
    Q_OBJECT
public:
    PasswordResetDialog(const QString &employeeCode, const QString &employeeName, QWidget *parent = nullptr);

private:
    void confirm();

    QString m_code;
    QLineEdit *m_new = nullptr;
    QLineEdit *m_repeat = nullptr;
    QPushButton *m_ok = nullptr;
};
