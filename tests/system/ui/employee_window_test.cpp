#include "support/temp_home.h"

#include "core/db/database.h"
#include "core/password.h"
#include "core/db/record_set.h"
#include "app/window_catalog.h"
#include "ui/grid_header.h"
#include "ui/grid_window.h"
#include "ui/row_model.h"

#include <QAbstractItemModelTester>
#include <QFileInfo>
#include <QProcess>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QApplication>
#include <QToolButton>

namespace {

class EmployeeWindowTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        addEmployee("001", "张三", "zs", "abc");
        addEmployee("002", "李四", "ls");
        loginAs("000");
    }
    void TearDown() override
    {
        delete window.data();
        TempHome::TearDown();
    }

    // 员工资料 as the menu opens it: a plain grid window of the catalog.
    GridWindow *open()
    {
        const GridMember *member = findGridMember("TBM_YG");
        EXPECT_NE(member, nullptr);
        window = createGridWindow(*member);
        window->show();
        return window;
    }
    template <class W> W *child(const char *name) const
    {
        W *w = window->findChild<W *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Types a value into a cell as the grid's editor would hand it over.
    bool type(int row, const QString &field, const QVariant &value)
    {
        QSortFilterProxyModel *shown = window->filterModel();
        const QModelIndex source = window->model()->index(row, window->model()->columnOf(field));
        return shown->setData(shown->mapFromSource(source), value, Qt::EditRole);
    }
    QString shownText(int row, const QString &field) const
    {
        return window->model()->index(row, window->model()->columnOf(field)).data().toString();
    }
    void click(const char *button) { child<QAbstractButton>(button)->click(); }
    // Closing frees the window; deletion happens when posted events run.
    bool closedAfter(const char *button)
    {
        click(button);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window.isNull();
    }
    static QVariant cell(const QString &sql) { return Db::scalarSql(sql); }

    QPointer<GridWindow> window;
};

} // namespace

TEST_F(EmployeeWindowTest, ShowsEmployeesButNotTheAdministrator)
{
    open();
    EXPECT_EQ(window->objectName(), "TBM_YG");
    EXPECT_EQ(window->windowTitle(), "员工资料");
    EXPECT_TRUE(window->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(child<QPushButton>("saveButton")->text(), "保存[&S]");
    EXPECT_EQ(child<QPushButton>("exportButton")->text(), "导出[&O]");
    EXPECT_EQ(child<QPushButton>("exitButton")->text(), "退出[&E]");

    RowModel *model = window->model();
    QAbstractItemModelTester modelTester(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QAbstractItemModelTester shownTester(window->filterModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);

    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(shownText(0, "BM"), "001");
    EXPECT_EQ(shownText(1, "BM"), "002");

    QStringList titles, visible;
    QTableView *grid = window->view();
    for (int c = 0; c < model->columnCount(); ++c) {
        titles << model->headerData(c, Qt::Horizontal).toString();
        if (!grid->isColumnHidden(c))
            visible << titles.back();
    }
    EXPECT_EQ(visible, QStringList({"编码", "姓名", "登录名称", "部门", "电话", "地址", "公历生日", "农历生日", "备注"}));
    EXPECT_TRUE(titles.contains("密码")); // present, hidden, not typeable
    const int mm = model->columnOf("MM");
    EXPECT_FALSE(model->flags(model->index(0, mm)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->setData(model->index(0, mm), "secret"));

    auto *header = qobject_cast<GridHeader *>(grid->horizontalHeader());
    ASSERT_NE(header, nullptr);
    const int sr = model->columnOf("SR"), srbz = model->columnOf("SRBZ");
    EXPECT_EQ(header->groupTitle(sr), "生日（只能输入任意一个）");
    EXPECT_EQ(header->groupSections(srbz), QList<int>({sr, srbz}));
    EXPECT_TRUE(header->groupTitle(model->columnOf("BZ")).isEmpty());

    // The testers watch the models through the changes a user makes.
    click("navInsert");
    type(2, "BM", "003");
    type(2, "SR", "1990-1-2");
    EXPECT_EQ(shownText(2, "SR"), "1990-01-02");
    EXPECT_FALSE(type(2, "SRBZ", "not a date"));
    child<QLineEdit>("filterBox")->setText("李");
    EXPECT_EQ(window->filterModel()->rowCount(), 2); // 李四 and the new row
    child<QLineEdit>("filterBox")->clear();
    window->setCurrentRow(0);
    click("navDelete");
    EXPECT_EQ(model->rowCount(), 2);
}

TEST_F(EmployeeWindowTest, SaveWritesAddEditAndDeleteAndLeavesPasswordsAlone)
{
    open();
    EXPECT_FALSE(window->isUnsaved());
    // Meanwhile 张三 changes his password in the password window.
    Db::execSql("UPDATE bm_yg SET MM = ? WHERE BM = '001'", {Password::hash("new")});

    ASSERT_TRUE(type(0, "MC", "张三丰"));
    EXPECT_TRUE(window->isUnsaved());
    window->setCurrentRow(1);
    click("navDelete");
    click("navInsert");
    const int row = window->model()->rowCount() - 1;
    EXPECT_EQ(window->currentRow(), row); // the cursor goes to the new last row
    type(row, "BM", "003");
    type(row, "MC", "王五");
    type(row, "SRBZ", "2001/2/3");
    click("saveButton");

    ASSERT_EQ(prompt->shown.size(), 1u);
    EXPECT_EQ(prompt->shown[0].text, "保存成功！");
    EXPECT_EQ(prompt->shown[0].caption, "提示");
    EXPECT_EQ(prompt->shown[0].icon, Prompt::Icon::Information);
    EXPECT_FALSE(window->isUnsaved());

    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='001'").toString(), "张三丰");
    EXPECT_TRUE(Password::verify(cell("SELECT MM FROM bm_yg WHERE BM='001'").toString(), "new"));
    EXPECT_EQ(cell("SELECT COUNT(*) FROM bm_yg WHERE BM='002'").toInt(), 0);
    EXPECT_EQ(cell("SELECT SRBZ FROM bm_yg WHERE BM='003'").toString(), "2001-02-03");
    // A new employee: empty password, every menu entry, no other right.
    QSqlQuery q = Db::execSql("SELECT MM, QX1, QX2, QX3, QX4, qxqt FROM bm_yg WHERE BM='003'");
    ASSERT_TRUE(q.next());
    for (int i = 0; i < 6; ++i) {
        EXPECT_FALSE(q.value(i).isNull()) << i;
        EXPECT_EQ(q.value(i).toString(), "") << i;
    }
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='000'").toString(), "系统管理员");

    // Nothing left to save: closing asks nothing.
    EXPECT_TRUE(closedAfter("exitButton"));
}

TEST_F(EmployeeWindowTest, DuplicateCodeRollsBackAndKeepsTheRowsForCorrection)
{
    open();
    type(0, "MC", "张三丰");
    click("navInsert");
    type(2, "BM", "000"); // taken by the administrator, who is not listed
    type(2, "MC", "新人");
    click("saveButton");

    ASSERT_EQ(prompt->shown.size(), 1u);
    // The database's own words may follow on a line of their own.
    EXPECT_EQ(prompt->shown[0].text, "编码存在重复无法保存，请删除重复后重试");
    EXPECT_EQ(prompt->shown[0].caption, "提示");
    EXPECT_EQ(prompt->shown[0].icon, Prompt::Icon::Warning);
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='001'").toString(), "张三");
    EXPECT_EQ(cell("SELECT COUNT(*) FROM bm_yg").toInt(), 3);
    EXPECT_EQ(window->model()->rowCount(), 3);
    EXPECT_EQ(shownText(0, "MC"), "张三丰");
    EXPECT_EQ(shownText(2, "BM"), "000");
    EXPECT_TRUE(window->isUnsaved());

    prompt->clear();
    type(2, "BM", "005");
    click("saveButton");
    EXPECT_EQ(prompt->last(), "保存成功！");
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='001'").toString(), "张三丰");
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='005'").toString(), "新人");
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='000'").toString(), "系统管理员");
}

TEST_F(EmployeeWindowTest, ClosingWithUnsavedChangesAsks)
{
    struct Case
    {
        const char *name;
        Prompt::Answer answer;
        bool duplicate; // the pending rows cannot be saved
        bool closes;
        const char *storedName;
    };
    const Case cases[] = {
        {"yes saves and closes", Prompt::Answer::Yes, false, true, "张三丰"},
        {"no drops and closes", Prompt::Answer::No, false, true, "张三"},
        {"cancel stays", Prompt::Answer::Cancel, false, false, "张三"},
        {"yes with a failing save stays", Prompt::Answer::Yes, true, false, "张三"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        prompt->clear();
        Db::execSql("UPDATE bm_yg SET MC = '张三' WHERE BM = '001'");
        open();
        type(0, "MC", "张三丰");
        if (c.duplicate) {
            click("navInsert");
            type(2, "BM", "002");
        }
        prompt->answer(c.answer);
        EXPECT_EQ(closedAfter("exitButton"), c.closes);
        ASSERT_GE(prompt->shown.size(), 1u);
        EXPECT_EQ(prompt->shown[0].text, "当前还没有保存，是否现在保存？");
        EXPECT_EQ(prompt->shown[0].caption, "提示");
        EXPECT_TRUE(prompt->shown[0].isQuestion);
        // The success message belongs to the button; the failure still says why.
        EXPECT_EQ(prompt->shown.size(), c.duplicate ? 2u : 1u);
        if (c.duplicate)
            EXPECT_EQ(prompt->last(), "编码存在重复无法保存，请删除重复后重试");
        EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='001'").toString(), c.storedName);
        if (!c.closes) {
            EXPECT_TRUE(window->isUnsaved());
            EXPECT_EQ(shownText(0, "MC"), "张三丰"); // the edits are still there
            delete window.data();
        }
    }
}

TEST_F(EmployeeWindowTest, KeyboardAndFilter)
{
    open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTableView *grid = window->view();
    grid->setFocus();

    QTest::keyClick(grid, Qt::Key_Insert);
    ASSERT_EQ(window->model()->rowCount(), 3);
    type(2, "BM", "003");
    type(2, "MC", "王五");
    QTest::keyClick(grid, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(prompt->last(), "保存成功！");
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='003'").toString(), "王五");

    QLineEdit *filter = child<QLineEdit>("filterBox");
    filter->setText("ls"); // login name, any case
    EXPECT_EQ(window->filterModel()->rowCount(), 1);
    filter->setText("00");
    EXPECT_EQ(window->filterModel()->rowCount(), 3);
    filter->setText("nobody");
    EXPECT_EQ(window->filterModel()->rowCount(), 0);
}

// The row model shared by every grid window: formats, check boxes, read-only columns.
TEST_F(EmployeeWindowTest, RowModelShowsAndTakesValuesByColumnType)
{
    Db::execSql("INSERT INTO bm_kh (BM, MC, LJXF, ZK, ZJF, TSJ, RQ) VALUES ('100', 'x', 12.5, 0.85, 30, 1, "
            "'2024-03-05 10:11:12')");
    GridSpec s;
    s.table = "bm_kh";
    s.conditions = {{"BM", GridCondition::Op::Equal, "100"}};
    s.keyColumn = "BM";
    s.columns = {{"LJXF", "累计消费", {}, "#0.00"}, {"ZK", "折扣率（%）"}, {"ZJF", "总积分", {}, {}, false, true},
                 {"TSJ", "自动升级"}, {"RQ", "办卡日期", {}, "yyyy-MM-dd"}, {"JG", "适用价格"}};
    RecordSet set(s);
    ASSERT_TRUE(set.load());
    RowModel model(&set);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    auto at = [&](const char *field) { return model.index(0, model.columnOf(field)); };

    EXPECT_EQ(at("LJXF").data().toString(), "12.50");
    EXPECT_EQ(at("ZK").data().toString(), "0.85");
    EXPECT_EQ(at("RQ").data().toString(), "2024-03-05");
    EXPECT_EQ(at("TSJ").data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    EXPECT_TRUE(at("TSJ").data().toString().isEmpty());
    EXPECT_TRUE(model.flags(at("TSJ")) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(model.flags(at("ZJF")) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.setData(at("ZJF"), "99"));

    EXPECT_TRUE(model.setData(at("TSJ"), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_TRUE(model.setData(at("LJXF"), "20"));
    EXPECT_FALSE(model.setData(at("ZK"), "abc")); // not a number: the old value stays
    EXPECT_EQ(prompt->last(), "请输入数字！");
    EXPECT_TRUE(model.setData(at("RQ"), "")); // a cleared date is no date
    ASSERT_TRUE(set.save().ok);
    QSqlQuery q = Db::execSql("SELECT TSJ, LJXF, ZK, RQ, ZJF FROM bm_kh WHERE BM = '100'");
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 0);
    EXPECT_DOUBLE_EQ(q.value(1).toDouble(), 20.0);
    EXPECT_DOUBLE_EQ(q.value(2).toDouble(), 0.85);
    EXPECT_TRUE(q.value(3).isNull());
    EXPECT_DOUBLE_EQ(q.value(4).toDouble(), 30.0);
}

namespace {
// The export button writes the shown rows of the visible columns, under the right to export.
TEST_F(EmployeeWindowTest, ExportNeedsTheRightAndWritesTheShownRows)
{
    open();
    Db::execSql("UPDATE bm_yg SET qxqt='QX-' WHERE BM='000'");
    loginAs("000");
    click("exportButton");
    EXPECT_EQ(prompt->last(), QString::fromUtf8("您没有导出权！"));
    EXPECT_TRUE(prompt->fileDialogs.isEmpty());

    Db::execSql("UPDATE bm_yg SET qxqt='QX-18,' WHERE BM='000'");
    loginAs("000");
    const QString file = homePath("employees.xlsx");
    prompt->chooseFile(file);
    click("exportButton");
    ASSERT_TRUE(QFileInfo::exists(file));
    QProcess unzip;
    unzip.start("unzip", {"-p", file, "xl/sharedStrings.xml"});
    ASSERT_TRUE(unzip.waitForFinished());
    const QString strings = QString::fromUtf8(unzip.readAllStandardOutput());
    EXPECT_TRUE(strings.contains(QString::fromUtf8("员工资料")));
    EXPECT_TRUE(strings.contains(QString::fromUtf8("张三")));
    EXPECT_TRUE(strings.contains(QString::fromUtf8("登录名称")));
    EXPECT_FALSE(strings.contains(QString::fromUtf8("密码"))); // hidden column stays out
}
}

TEST_F(EmployeeWindowTest, OnlyTheAdministratorResetsAPasswordOfTheCurrentRow)
{
    open();
    auto *reset = child<QPushButton>("resetPasswordButton");
    ASSERT_NE(reset, nullptr);
    window->setCurrentRow(1); // 李四
    // The dialog is modal: fill it in once it is up.
    QTimer::singleShot(0, [] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == "PasswordResetDialog" && w->isVisible()) {
                w->findChild<QLineEdit *>("newPassword")->setText("新的");
                w->findChild<QLineEdit *>("repeatPassword")->setText("新的");
                w->findChild<QPushButton *>("okButton")->click();
            }
    });
    reset->click();
    EXPECT_TRUE(Password::verify(Db::scalarSql("SELECT MM FROM bm_yg WHERE BM = '002'").toString(), "新的"));
    EXPECT_TRUE(Password::verify(Db::scalarSql("SELECT MM FROM bm_yg WHERE BM = '001'").toString(), "abc"));
    delete window.data();

    loginAs("001");
    open();
    EXPECT_EQ(window->findChild<QPushButton *>("resetPasswordButton"), nullptr);
}
