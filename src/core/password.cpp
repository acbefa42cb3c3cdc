#include "core/password.h"

#include <sodium.h>

namespace Password {
namespace {
bool ready()
{
    static const bool ok = sodium_init() >= 0;
    return ok;
}
}

QString hash(const QString &plain)
{
    if (plain.isEmpty())
        return QString();
    if (!ready())
        return QString();
    const QByteArray bytes = plain.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, bytes.constData(), static_cast<unsigned long long>(bytes.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return QString();
    return QString::fromLatin1(out);
}

bool isHash(const QString &stored) { return stored.startsWith(QLatin1String("$argon2")); }

bool verify(const QString &stored, const QString &typed)
{
    if (stored.isEmpty())
        return typed.isEmpty();
    if (!isHash(stored))
        return stored == typed;
    if (!ready())
        return false;
    const QByteArray s = stored.toLatin1();
    const QByteArray t = typed.toUtf8();
    return crypto_pwhash_str_verify(s.constData(), t.constData(), static_cast<unsigned long long>(t.size())) == 0;
}

QString deliveredAdministratorHash()
{
    return QStringLiteral("$argon2id$v=19$m=65536,t=2,p=1$WJjr+eh4V8NpXUsFCQ9idg$"
                          "U+6lXjVLzq2ZooocgHBXrJ8/Ah0lyLwGDVVbO0x2TO4");
}
}
