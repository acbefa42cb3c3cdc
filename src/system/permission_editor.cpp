#include "system/permission_editor.h"

#include "core/db/database.h"
#include "core/prompt.h"
#include "core/session.h"
#include "system/menu_catalog.h"

#include <QSqlQuery>

namespace {
constexpr int firstRightCode = 10;
constexpr int lastRightCode = 18;
}

QString PermissionEditor::lineText(const QString &caption)
{
    const int cut = caption.indexOf(QLatin1String("(&"));
    return cut >= 2 ? caption.left(cut) : caption;
}

bool PermissionEditor::loadNames()
{
    m_names.clear();
    try {
        QSqlQuery q = Db::execSql(QStringLiteral("SELECT MC FROM bm_yg ORDER BY rowid"));
        while (q.next()) {
            const QString mc = q.value(0).toString();
            if (!mc.isEmpty())
                m_names << mc;
        }
    } catch (const DbError &) {
        m_names.clear();
    }
    if (m_names.isEmpty()) {
        prompt().info(QStringLiteral("请在“基础资料-员工资料”中输入至少一个有姓名的员工"));
        return false;
    }
    return true;
}

QString PermissionEditor::initialName() const
{
    const QString current = App::session().currentUserName;
    if (!current.isEmpty() && m_names.contains(current))
        return current;
    return m_names.isEmpty() ? QString() : m_names.first();
}

void PermissionEditor::clear()
{
    m_rowId = -1;
    m_other.fill(false);
    const auto &menus = MenuCatalog::restrictedMenus();
    for (size_t m = 0; m < m_lines.size(); ++m) {
        m_lines[m].clear();
        for (const MenuEntry &e : menus[m].entries)
            m_lines[m].push_back({lineText(QString::fromUtf8(e.caption)), false});
    }
}

bool PermissionEditor::load(const QString &name)
{
    clear();
    m_name = name;
    QString qx[4];
    QString qxqt;
    try {
        QSqlQuery q = Db::execSql(
            QStringLiteral("SELECT rowid, QX1, QX2, QX3, QX4, qxqt FROM bm_yg WHERE MC = ? ORDER BY rowid LIMIT 1"),
            {name});
        if (!q.next())
            return false;
        m_rowId = q.value(0).toLongLong();
        for (int i = 0; i < 4; ++i)
            qx[i] = q.value(i + 1).toString();
        qxqt = q.value(5).toString();
    } catch (const DbError &e) {
        prompt().message(e.text(), QStringLiteral("提示"), Prompt::Icon::Critical);
        return false;
    }
    for (int code = firstRightCode; code <= lastRightCode; ++code)
        m_other[code - firstRightCode] = qxqt.contains(QString::number(code));
    for (int m = 0; m < 4; ++m)
        for (size_t p = 0; p < m_lines[m].size(); ++p)
            // An empty text enables the whole menu; "null" enables nothing.
            m_lines[m][p].ticked = MenuCatalog::isEnabled(m + 1, int(p), qx[m], QString());
    return true;
}

void PermissionEditor::setTicked(int menu, int position, bool ticked)
{
    if (menu < 1 || menu > 4)
        return;
    auto &lines = m_lines[menu - 1];
    if (position >= 0 && position < int(lines.size()))
        lines[position].ticked = ticked;
}

bool PermissionEditor::otherRight(int code) const
{
    return code >= firstRightCode && code <= lastRightCode && m_other[code - firstRightCode];
}

void PermissionEditor::setOtherRight(int code, bool granted)
{
    if (code >= firstRightCode && code <= lastRightCode)
        m_other[code - firstRightCode] = granted;
}

QString PermissionEditor::menuRightsText(int menu) const
{
    std::vector<int> positions;
    const auto &lines = m_lines[menu - 1];
    for (size_t p = 0; p < lines.size(); ++p)
        if (lines[p].ticked)
            positions.push_back(int(p));
    return MenuCatalog::rightsText(menu, positions);
}

QString PermissionEditor::otherRightsText() const
{
    std::vector<int> codes;
    for (int code = firstRightCode; code <= lastRightCode; ++code)
        if (otherRight(code))
            codes.push_back(code);
    return MenuCatalog::otherRightsText(codes);
}

bool PermissionEditor::save()
{
    if (!loaded())
        return false;
    try {
        Transaction t;
        if (!t.active())
            throw DbError(Database::lastError().isEmpty() ? QStringLiteral("数据库未打开") : Database::lastError());
        Db::execSql(QStringLiteral("UPDATE bm_yg SET QX1 = ?, QX2 = ?, QX3 = ?, QX4 = ? WHERE rowid = ?"),
                {menuRightsText(1), menuRightsText(2), menuRightsText(3), menuRightsText(4), m_rowId});
        Db::execSql(QStringLiteral("UPDATE bm_yg SET qxqt = ? WHERE MC = ?"), {otherRightsText(), m_name});
        QString error;
        if (!t.commit(&error))
            throw DbError(error);
    } catch (const DbError &e) {
        prompt().message(e.text(), QStringLiteral("提示"), Prompt::Icon::Critical);
        return false;
    }
    prompt().info(QStringLiteral("保存成功！"));
    load(m_name);
    return true;
}
