#pragma once
#include "core/outcome.h"

#include <QString>

// The logged-in user changes his own password (the password window's 确 定).
// Every outcome is shown with the caption "提示："; the caller's window stays open.
namespace PasswordChange {
enum class Outcome { WrongOldPassword, EmptyNewPassword, Mismatch, Changed, Failed };

Outcome change(const QString &oldPassword, const QString &newPassword, const QString &repeatedPassword);

// The administrator gives an employee a new password (a forgotten one cannot be
// read back: only its hash is kept). Refused for anyone but the administrator,
// for an empty password and for an unknown employee code; the password is
// stored hashed. Shows nothing: the caller shows the outcome.
::Outcome resetPassword(const QString &employeeCode, const QString &newPassword);

// "修改密码 :" followed by the logged-in user's name.
QString windowCaption();
}
