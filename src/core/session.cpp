#include "core/session.h"
#include "core/db/database.h"
#include "core/home.h"
#include "core/settings.h"

#include <QSqlQuery>

bool Session::refreshUserRow()
{
    userRowLoaded = false;
    for (QString &q : qx)
        q.clear();
    qxqt.clear();
    if (!Database::isOpen())
        return false;
    QSqlQuery q(Database::db());
    q.prepare(QStringLiteral("SELECT QX1, QX2, QX3, QX4, qxqt FROM bm_yg WHERE BM = ?"));
    q.addBindValue(currentUserCode);
    if (!q.exec() || !q.next())
        return false;
    for (int i = 0; i < 4; ++i)
        qx[i] = q.value(i).toString();
    qxqt = q.value(4).toString();
    userRowLoaded = true;
    return true;
}

bool Session::hasRight(const QString &code) const { return qxqt.contains(code); }

namespace App {
namespace {
std::unique_ptr<Home> g_home;
std::unique_ptr<Settings> g_settings;
std::unique_ptr<Session> g_session = std::make_unique<Session>();
}

void setHome(const QString &root)
{
    g_home = std::make_unique<Home>(root);
    g_settings = std::make_unique<Settings>(g_home->iniFile());
}

Home &home()
{
    if (!g_home)
        setHome(Home::locate());
    return *g_home;
}

Settings &settings()
{
    if (!g_settings)
        home();
    return *g_settings;
}

Session &session() { return *g_session; }

void reset()
{
    g_settings.reset();
    g_home.reset();
    g_session = std::make_unique<Session>();
}
}
