#pragma once
#include <QString>

// Passwords are kept as salted hashes. An empty stored value stands for the
// empty password; a plain value met in an older file still verifies and is
// rehashed by the caller.
namespace Password {
QString hash(const QString &plain);
bool isHash(const QString &stored);
// True when typed is the password of stored (exact, case-sensitive).
bool verify(const QString &stored, const QString &typed);
// The hash of the administrator's initial password "123".
QString deliveredAdministratorHash();
}
