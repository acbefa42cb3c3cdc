#include "support/temp_home.h"

#include "core/db/database.h"
#include "core/session.h"
#include "system/menu_catalog.h"
#include "system/permission_editor.h"

namespace {

class PermissionEditorTest : public TempHome
{
protected:
    QString column(const QString &col, const QString &code)
    {
        return Db::scalarSql(QStringLiteral("SELECT %1 FROM bm_yg WHERE BM = ?").arg(col), {code}).toString();
    }
    void setColumn(const QString &col, const QString &code, const QVariant &value)
    {
        Db::execSql(QStringLiteral("UPDATE bm_yg SET %1 = ? WHERE BM = ?").arg(col), {value, code});
    }
    std::vector<int> tickedPositions(const PermissionEditor &e, int menu)
    {
        std::vector<int> p;
        for (size_t i = 0; i < e.lines(menu).size(); ++i)
            if (e.lines(menu)[i].ticked)
                p.push_back(int(i));
        return p;
    }
};

TEST_F(PermissionEditorTest, ListsEveryNamedEmployeeInTableOrderAndStartsWithTheCurrentUser)
{
    addEmployee(QStringLiteral("002"), QStringLiteral("王五"));
    addEmployee(QStringLiteral("001"), QStringLiteral("李四"));
    addEmployee(QStringLiteral("003"), QString());
    loginAs(QStringLiteral("001"));

    PermissionEditor e;
    ASSERT_TRUE(e.loadNames());
    EXPECT_EQ(e.names(), (QStringList{QStringLiteral("系统管理员"), QStringLiteral("王五"), QStringLiteral("李四")}));
    EXPECT_EQ(e.initialName(), QStringLiteral("李四"));
    EXPECT_TRUE(prompt->shown.empty());
}

TEST_F(PermissionEditorTest, NoNamedEmployeeAsksForOne)
{
    Db::execSql(QStringLiteral("UPDATE bm_yg SET MC = ''"));
    PermissionEditor e;
    EXPECT_FALSE(e.loadNames());
    EXPECT_EQ(prompt->last(), QStringLiteral("请在“基础资料-员工资料”中输入至少一个有姓名的员工"));
}

TEST_F(PermissionEditorTest, LinesFollowTheMenusWithSeparatorsAndHiddenEntries)
{
    PermissionEditor e;
    ASSERT_TRUE(e.load(QStringLiteral("系统管理员")));
    const auto &menus = MenuCatalog::restrictedMenus();
    for (int m = 1; m <= 4; ++m)
        ASSERT_EQ(e.lines(m).size(), menus[m - 1].entries.size()) << m;
    EXPECT_EQ(e.lines(1)[3].text, QStringLiteral("-"));
    EXPECT_EQ(e.lines(1)[7].text, QStringLiteral("导入导出")); // hidden in the menu, grantable here
    EXPECT_EQ(e.lines(3)[2].text, QStringLiteral("采购入库单"));
}

TEST_F(PermissionEditorTest, LineTextIsCutBeforeAnAcceleratorFromTheThirdCharacterOn)
{
    const struct { const char *caption, *text; } cases[] = {
        {"打印(&P)", "打印"}, {"导出数据(&O)", "导出数据"}, {"印(&P)", "印(&P)"}, {"(&A)全部", "(&A)全部"},
        {"-", "-"},           {"婚礼订单", "婚礼订单"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PermissionEditor::lineText(QString::fromUtf8(c.caption)), QString::fromUtf8(c.text)) << c.caption;
}

TEST_F(PermissionEditorTest, TicksFollowTheStoredTexts)
{
    addEmployee(QStringLiteral("001"), QStringLiteral("李四"));
    setColumn(QStringLiteral("QX1"), QStringLiteral("001"), QStringLiteral("110,111,114,"));
    setColumn(QStringLiteral("QX2"), QStringLiteral("001"), QVariant(QMetaType::fromType<QString>())); // NULL
    setColumn(QStringLiteral("QX3"), QStringLiteral("001"), QStringLiteral("null"));
    setColumn(QStringLiteral("QX4"), QStringLiteral("001"), QString());
    setColumn(QStringLiteral("qxqt"), QStringLiteral("001"), QStringLiteral("QX-10,12,18,"));

    PermissionEditor e;
    ASSERT_TRUE(e.load(QStringLiteral("李四")));
    EXPECT_EQ(tickedPositions(e, 1), (std::vector<int>{0, 1, 4}));
    EXPECT_EQ(tickedPositions(e, 2).size(), e.lines(2).size()); // an empty text enables the whole menu
    EXPECT_TRUE(tickedPositions(e, 3).empty());
    EXPECT_EQ(tickedPositions(e, 4).size(), e.lines(4).size());
    for (int code = 10; code <= 18; ++code)
        EXPECT_EQ(e.otherRight(code), code == 10 || code == 12 || code == 18) << code;
}

TEST_F(PermissionEditorTest, SaveWritesTheTextsAndReportsSuccess)
{
    addEmployee(QStringLiteral("001"), QStringLiteral("李四"));
    PermissionEditor e;
    ASSERT_TRUE(e.load(QStringLiteral("李四")));
    for (size_t p = 0; p < e.lines(3).size(); ++p)
        e.setTicked(3, int(p), false);
    for (size_t p = 0; p < e.lines(1).size(); ++p)
        e.setTicked(1, int(p), p == 0 || p == 8);
    e.setOtherRight(18, true);
    e.setOtherRight(10, true);

    ASSERT_TRUE(e.save());
    EXPECT_EQ(prompt->shown.back().text, QStringLiteral("保存成功！"));
    EXPECT_EQ(prompt->shown.back().caption, QStringLiteral("提示"));
    EXPECT_EQ(column(QStringLiteral("QX1"), QStringLiteral("001")), QStringLiteral("110,118,"));
    EXPECT_EQ(column(QStringLiteral("QX3"), QStringLiteral("001")), QStringLiteral("null"));
    EXPECT_EQ(column(QStringLiteral("QX2"), QStringLiteral("001")),
              MenuCatalog::rightsText(2, tickedPositions(e, 2))); // all ticked: every code listed
    EXPECT_EQ(column(QStringLiteral("qxqt"), QStringLiteral("001")), QStringLiteral("QX-10,18,"));
    // Reloaded from the row: what was written is what is shown.
    EXPECT_TRUE(tickedPositions(e, 3).empty());
    EXPECT_EQ(tickedPositions(e, 1), (std::vector<int>{0, 8}));

    // The administrator is untouched.
    EXPECT_EQ(column(QStringLiteral("QX3"), QStringLiteral("000")), QString());
}

TEST_F(PermissionEditorTest, EmployeesOfTheSameNameShareTheOtherRightsButOnlyTheShownOneGetsTheMenus)
{
    addEmployee(QStringLiteral("001"), QStringLiteral("李四"));
    addEmployee(QStringLiteral("002"), QStringLiteral("李四"));
    PermissionEditor e;
    ASSERT_TRUE(e.load(QStringLiteral("李四")));
    e.setTicked(4, 0, false);
    e.setOtherRight(15, true);
    ASSERT_TRUE(e.save());
    EXPECT_EQ(column(QStringLiteral("qxqt"), QStringLiteral("001")), QStringLiteral("QX-15,"));
    EXPECT_EQ(column(QStringLiteral("qxqt"), QStringLiteral("002")), QStringLiteral("QX-15,"));
    EXPECT_FALSE(column(QStringLiteral("QX4"), QStringLiteral("001")).isEmpty());
    EXPECT_TRUE(column(QStringLiteral("QX4"), QStringLiteral("002")).isEmpty());
}

TEST_F(PermissionEditorTest, AFailedSaveWritesNothing)
{
    addEmployee(QStringLiteral("001"), QStringLiteral("李四"));
    // The second write of the save fails; the first must not stay behind.
    Db::execSql(QStringLiteral("CREATE TRIGGER no_rights BEFORE UPDATE OF qxqt ON bm_yg "
                           "BEGIN SELECT RAISE(ABORT, 'rights are locked'); END"));
    PermissionEditor e;
    ASSERT_TRUE(e.load(QStringLiteral("李四")));
    e.setTicked(1, 0, false);
    e.setOtherRight(10, true);

    EXPECT_FALSE(e.save());
    EXPECT_FALSE(prompt->saw(QStringLiteral("保存成功！")));
    ASSERT_FALSE(prompt->shown.empty());
    EXPECT_TRUE(prompt->last().contains(QStringLiteral("rights are locked")));
    EXPECT_EQ(column(QStringLiteral("QX1"), QStringLiteral("001")), QString());
    EXPECT_EQ(column(QStringLiteral("qxqt"), QStringLiteral("001")), QString());
}

TEST_F(PermissionEditorTest, AnUnknownNameLoadsNothingAndCannotBeSaved)
{
    PermissionEditor e;
    EXPECT_FALSE(e.load(QStringLiteral("无此人")));
    EXPECT_FALSE(e.loaded());
    EXPECT_FALSE(e.save());
    EXPECT_TRUE(prompt->shown.empty());
}

} // namespace
