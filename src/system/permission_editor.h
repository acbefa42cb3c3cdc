#pragma once
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

// The rights of one employee as the permission window shows and edits them:
// one line per entry of each restricted menu and the nine other rights.
// Employees are identified by name (bm_yg.MC), which the studio keeps unique.
class PermissionEditor
{
public:
    struct Line
    {
        QString text;  // the entry's caption, "-" for a separator
        bool ticked = false;
    };

    // Reads every employee name (the administrator included) in table order.
    // Shows "请在“基础资料-员工资料”中输入至少一个有姓名的员工" and returns false
    // when there is none.
    bool loadNames();
    const QStringList &names() const { return m_names; }
    // The name to show first: the logged-in user when listed, else the first name.
    QString initialName() const;

    // Reads the rights of the employee with this name into the lines and boxes.
    // False when no such employee exists (everything is then unticked).
    bool load(const QString &name);
    QString name() const { return m_name; }
    bool loaded() const { return m_rowId >= 0; }

    // menu 1 … 4 (系统维护, 基础资料, 业务管理, 业务报表)
    const std::vector<Line> &lines(int menu) const { return m_lines[menu - 1]; }
    void setTicked(int menu, int position, bool ticked);

    // code 10 … 18
    bool otherRight(int code) const;
    void setOtherRight(int code, bool granted);

    // The texts save() writes: QX1 … QX4 and qxqt.
    QString menuRightsText(int menu) const;
    QString otherRightsText() const;

    // Writes the menu texts to the employee shown and the other rights to every
    // employee of that name, both in one transaction, then shows "保存成功！"
    // and reads the row again. On a database error nothing is written and the
    // error is shown.
    bool save();

    // The caption a menu entry shows in the lists: cut before "(&" when that
    // begins at the third character or later.
    static QString lineText(const QString &caption);

private:
    void clear();

    QStringList m_names;
    QString m_name;
    qint64 m_rowId = -1;
    std::array<std::vector<Line>, 4> m_lines;
    std::array<bool, 9> m_other{};
};
