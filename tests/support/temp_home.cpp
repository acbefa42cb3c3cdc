#include "temp_home.h"

#include "core/clock.h"
#include "core/db/database.h"
#include "core/home.h"
#include "core/password.h"
#include "core/session.h"
#include "core/settings.h"

#include <QDir>
#include <QFile>

namespace {
QString deliveredCopy()
{
    static QTemporaryDir cache;
    static QString file;
    if (file.isEmpty()) {
        file = cache.path() + QStringLiteral("/data.db");
        QString error;
        if (!Database::createDelivered(file, &error))
            ADD_FAILURE() << "cannot build the delivered database: " << error.toStdString();
    }
    return file;
}
}

void TempHome::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    prompt = std::make_unique<ScriptedPrompt>();
    Clock::clearFixed();
    App::reset();
    QDir(dir.path()).mkpath(QStringLiteral("data"));
    ASSERT_TRUE(QFile::copy(deliveredCopy(), dir.path() + QStringLiteral("/data/data.db")));
    QFile::setPermissions(dir.path() + QStringLiteral("/data/data.db"), QFile::ReadOwner | QFile::WriteOwner);
    App::setHome(dir.path());
    QString error;
    ASSERT_TRUE(App::home().prepare(&error)) << error.toStdString();
    ASSERT_TRUE(Database::open(App::home().defaultDataFile())) << Database::lastError().toStdString();
}

void TempHome::TearDown()
{
    Database::close();
    App::reset();
    Clock::clearFixed();
    prompt.reset();
}

void TempHome::loginAs(const QString &code)
{
    Session &s = App::session();
    s.currentUserCode = code;
    s.currentUserName = Db::scalarSql(QStringLiteral("SELECT MC FROM bm_yg WHERE BM = ?"), {code}).toString();
    s.currentUserRights = Db::scalarSql(QStringLiteral("SELECT qxqt FROM bm_yg WHERE BM = ?"), {code}).toString();
    s.shortNumberFlag = App::settings().value(QStringLiteral("xsd"), QStringLiteral("DDH"), QStringLiteral("F"));
    s.refreshUserRow();
}

void TempHome::addEmployee(const QString &code, const QString &name, const QString &login, const QString &password)
{
    Db::execSql(QStringLiteral("INSERT INTO bm_yg (BM, MC, DLMC, MM) VALUES (?, ?, ?, ?)"),
            {code, name, login.isEmpty() ? QVariant(QVariant::fromValue(QString())) : QVariant(login),
             password.isEmpty() ? QString() : Password::hash(password)});
}

QString TempHome::homePath(const QString &relative) const
{
    return relative.isEmpty() ? dir.path() : dir.path() + QLatin1Char('/') + relative;
}
