#pragma once
#include "system/branding.h"
#include "system/login_service.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

// The login window. Its creation opens the database; "登 录" checks the user.
class Tdl : public QDialog
{
    Q_OBJECT
public:
    explicit Tdl(const Branding &branding, QWidget *parent = nullptr);

    // Writes the desktop shortcut when no login has succeeded yet on this installation.
    static QString desktopFolder();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void openDatabase();
    void tryLogin();
    // Shows a remembered login as a filled password box, or leaves that state.
    void useRememberedLogin(bool on);

    Branding m_branding;
    LoginService m_service;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_password = nullptr;
    QCheckBox *m_remember = nullptr;
    QCheckBox *m_reminder = nullptr;
    bool m_shown = false;
    // The password box stands for the remembered login until the user types in it.
    bool m_usingRemembered = false;
};
