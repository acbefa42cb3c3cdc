#include "core/password.h"

#include <gtest/gtest.h>
#include <sodium.h>

namespace {

// The parameters a stored hash names, as crypto_pwhash_str writes them.
QString expectedPrefix()
{
    return QStringLiteral("$argon2id$v=19$m=%1,t=%2,p=1$")
        .arg(qulonglong(crypto_pwhash_MEMLIMIT_INTERACTIVE / 1024))
        .arg(qulonglong(crypto_pwhash_OPSLIMIT_INTERACTIVE));
}

TEST(PasswordTest, HashesAreArgon2idAtTheInteractiveCost)
{
    ASSERT_GE(sodium_init(), 0);
    for (const QString &stored : {Password::hash(QStringLiteral("秘密Pw")), Password::deliveredAdministratorHash()}) {
        SCOPED_TRACE(stored.toStdString());
        EXPECT_TRUE(stored.startsWith(expectedPrefix())) << expectedPrefix().toStdString();
        EXPECT_EQ(crypto_pwhash_str_needs_rehash(stored.toLatin1().constData(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                                                 crypto_pwhash_MEMLIMIT_INTERACTIVE),
                  0);
    }
    // Salted: the same password never gives the same text twice.
    EXPECT_NE(Password::hash(QStringLiteral("123")), Password::hash(QStringLiteral("123")));
    EXPECT_TRUE(Password::verify(Password::deliveredAdministratorHash(), QStringLiteral("123")));
}

} // namespace
