#include "support/temp_home.h"
#include "support/workbook_reader.h"

#include "app/window_catalog.h"
#include "core/db/database.h"
#include "core/db/record_set.h"
#include "ui/grid_footer.h"
#include "ui/grid_window.h"
#include "ui/row_model.h"

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>

namespace {

class GridWindowTest : public TempHome
{
protected:
    void TearDown() override
    {
        delete window.data();
        TempHome::TearDown();
    }

    // Members with a count under the code and a sum under the amount.
    static GridSpec memberSpec()
    {
        GridSpec s;
        s.table = "bm_kh";
        s.conditions = {{"BM", GridCondition::Op::GreaterOrEqual, "K"}}; // the generated members, not the walk-in customer
        s.order = {{"BM"}};
        s.keyColumn = "BM";
        GridColumn code = GridColumn::of("BM", "编号");
        code.footer = FooterKind::Count;
        code.footerLabel = "共";
        GridColumn money = GridColumn::of("LJXF", "累计消费");
        money.format = "#0.00";
        money.footer = FooterKind::Sum;
        money.footerLabel = "合计：";
        GridColumn phone = GridColumn::of("DH", "电话");
        phone.viewRight = "15"; // phone numbers only for those allowed to see them
        GridColumn discount = GridColumn::of("ZK", "折扣");
        discount.editRight = "16";
        s.columns = {code, GridColumn::of("MC", "姓名"), money, phone, discount};
        return s;
    }

    GridWindow *open(GridSpec spec)
    {
        window = new GridWindow("会员资料", std::move(spec));
        window->show();
        return window;
    }
    bool type(int row, const QString &field, const QVariant &value)
    {
        QSortFilterProxyModel *shown = window->filterModel();
        const QModelIndex source = window->model()->index(row, window->model()->columnOf(field));
        return shown->setData(shown->mapFromSource(source), value, Qt::EditRole);
    }
    QString footer(const char *field) const
    {
        return window->footer()->text(window->model()->columnOf(field));
    }
    void filter(const QString &text) { window->findChild<QLineEdit *>("filterBox")->setText(text); }

    QPointer<GridWindow> window;
};

void addMembers()
{
    Db::execSql("INSERT INTO bm_kh (BM, MC, LJXF, DH, ZK) VALUES ('K1', '张三', 0.1, '13800000001', 0.9), "
                "('K2', '李四', 0.2, '13800000002', 0.9), ('K3', '张五', -0.3, '13900000003', 0.9), "
                "('K4', '王六', 100.25, NULL, 0.9)");
}

} // namespace

// The footer counts and sums the rows in sight: it follows the filter, edits,
// appends and deletions, adds amounts as a cashier does (0.1 + 0.2 − 0.3 is
// 0.00, never "-0.00" or a binary remainder) and shows sums in the column's format.
TEST_F(GridWindowTest, FooterCountsAndSumsTheRowsInSight)
{
    addMembers();
    loginAs("000");
    open(memberSpec());
    QAbstractItemModelTester tester(window->filterModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_TRUE(window->footer()->isVisible());
    EXPECT_EQ(footer("BM"), "共4");
    EXPECT_EQ(footer("LJXF"), "合计：100.25");
    EXPECT_TRUE(footer("MC").isEmpty());

    struct Case
    {
        const char *filter;
        const char *count;
        const char *sum;
    };
    const Case cases[] = {{"138", "共2", "合计：0.30"}, {"张", "共2", "合计：-0.20"}, {"K", "共4", "合计：100.25"},
                          {"nobody", "共0", "合计：0.00"}, {"", "共4", "合计：100.25"}};
    for (const Case &c : cases) {
        filter(QString::fromUtf8(c.filter));
        EXPECT_EQ(footer("BM"), c.count) << c.filter;
        EXPECT_EQ(footer("LJXF"), c.sum) << c.filter;
    }

    ASSERT_TRUE(type(3, "LJXF", "0"));
    EXPECT_EQ(footer("LJXF"), "合计：0.00");
    window->setCurrentRow(0);
    window->deleteCurrentRow();
    EXPECT_EQ(footer("BM"), "共3");
    EXPECT_EQ(footer("LJXF"), "合计：-0.10");
    window->insertRow();
    EXPECT_EQ(footer("BM"), "共4");
}

// A column whose view right the user lacks is hidden and stays out of the
// search and the export; one whose edit right the user lacks is read-only.
// The administrator holds every right.
TEST_F(GridWindowTest, ColumnRightsHideAndLockColumns)
{
    addMembers();
    addEmployee("101", "收银员");
    struct Case
    {
        const char *user;
        const char *rights;
        bool phoneShown;
        bool discountEditable;
    };
    const Case cases[] = {{"101", "QX-18,", false, false},
                          {"101", "QX-15,18,", true, false},
                          {"101", "QX-16,18,", false, true},
                          {"000", "QX-18,", true, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.user) + " " + c.rights);
        Db::execSql("UPDATE bm_yg SET qxqt = ? WHERE BM = ?", {QString::fromLatin1(c.rights), QString::fromLatin1(c.user)});
        loginAs(c.user);
        open(memberSpec());
        RowModel *model = window->model();
        const int dh = model->columnOf("DH"), zk = model->columnOf("ZK");
        EXPECT_EQ(!window->view()->isColumnHidden(dh), c.phoneShown);
        window->setColumnVisible("DH", true); // a window cannot show it either
        EXPECT_EQ(!window->view()->isColumnHidden(dh), c.phoneShown);
        EXPECT_EQ(model->index(0, dh).data().toString(), c.phoneShown ? "13800000001" : "");
        EXPECT_EQ(bool(model->flags(model->index(0, zk)) & Qt::ItemIsEditable), c.discountEditable);
        EXPECT_EQ(type(0, "ZK", "0.8"), c.discountEditable);

        filter("13900000003");
        EXPECT_EQ(window->filterModel()->rowCount(), c.phoneShown ? 1 : 0);
        filter("");

        const QString file = homePath(QStringLiteral("members%1.xlsx").arg(c.phoneShown));
        prompt->chooseFile(file);
        window->findChild<QPushButton *>("exportButton")->click();
        const Workbook wb = readWorkbook(file);
        QStringList labels;
        for (const char *ref : {"A2", "B2", "C2", "D2", "E2"})
            if (wb.has(ref))
                labels << wb.at(ref).value;
        EXPECT_EQ(labels.contains("电话"), c.phoneShown) << labels.join(',').toStdString();
        delete window.data();
    }
}

// A grid member registered as data opens as a plain GridWindow: named, titled
// and featured as its row says, its rows loaded once shown (not before, so
// that nothing runs while it is being built).
TEST_F(GridWindowTest, ARegisteredMemberOpensAsAPlainGridWindowWithItsRows)
{
    addEmployee("001", "张三", "zs");
    addEmployee("002", "李四", "ls");
    loginAs("000");
    const WindowKind *kind = findWindowKind("TBM_YG");
    ASSERT_NE(kind, nullptr);
    EXPECT_TRUE(kind->fillWorkArea);
    QWidget *made = kind->create();
    window = qobject_cast<GridWindow *>(made);
    ASSERT_NE(window, nullptr);
    EXPECT_STREQ(window->metaObject()->className(), "GridWindow");
    EXPECT_EQ(window->objectName(), "TBM_YG");
    EXPECT_EQ(window->windowTitle(), "员工资料");
    EXPECT_FALSE(window->isLoaded());
    EXPECT_EQ(window->model()->rowCount(), 0);

    window->show();
    EXPECT_TRUE(window->isLoaded());
    ASSERT_EQ(window->model()->rowCount(), 2); // the administrator is not listed
    EXPECT_EQ(window->model()->index(1, window->model()->columnOf("MC")).data().toString(), "李四");
    EXPECT_EQ(window->currentRow(), 0) << "a loaded list stands on its first row";
    EXPECT_TRUE(window->findChild<QPushButton *>("exportButton")->isVisible());
    EXPECT_FALSE(window->footer()->isVisible()); // no column asks for one
}

// A refused save points at its row: the cursor goes there, even when the
// filter had hidden it, and every pending change stays.
TEST_F(GridWindowTest, ARefusedSaveSelectsTheRowAtFault)
{
    addMembers();
    loginAs("000");
    GridSpec spec = memberSpec();
    spec.columns[1].required = true; // 姓名
    open(std::move(spec));
    ASSERT_TRUE(type(0, "LJXF", "5"));
    window->records().setValue(1, "MC", QString()); // 李四 loses the name
    filter("张");
    window->setCurrentRow(0);
    window->save();
    EXPECT_EQ(prompt->texts_shown(), QStringList{"姓名不能为空！"});
    EXPECT_EQ(window->currentRow(), 1);
    EXPECT_TRUE(window->findChild<QLineEdit *>("filterBox")->text().isEmpty());
    EXPECT_TRUE(window->isUnsaved());
    EXPECT_DOUBLE_EQ(window->records().value(0, "LJXF").toDouble(), 5.0);
    EXPECT_DOUBLE_EQ(Db::scalarSql("SELECT LJXF FROM bm_kh WHERE BM = 'K1'").toDouble(), 0.1);
}

