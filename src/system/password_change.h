#pragma once
#include <QString>

// The logged-in user changes his own password (the password window's 确 定).
// Every outcome is shown with the caption "提示："; the caller's window stays open.
namespace PasswordChange {
enum class Outcome { WrongOldPassword, EmptyNewPassword, Mismatch, Changed, Failed };

Outcome change(const QString &oldPassword, const QString &newPassword, const QString &repeatedPassword);

// "修改密码 :" followed by the logged-in user's name.
QString windowCaption();
}
