// The item, points-goods and supplier pickers, and the supplier window.
#include "support/temp_home.h"

#include "app/window_catalog.h"
#include "core/db/database.h"
#include "core/db/record_set.h"
#include "masterdata/ui/item_picker.h"
#include "masterdata/ui/points_goods_picker.h"
#include "masterdata/ui/supplier_picker.h"
#include "system/ui/company_window.h"
#include "ui/grid_window.h"
#include "ui/row_model.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QToolButton>

namespace {

using PickersTest = TempHome;

QStringList codes(const RowModel *model)
{
    QStringList list;
    for (int r = 0; r < model->rowCount(); ++r)
        list << model->index(r, 0).data(Qt::EditRole).toString();
    return list;
}

// A hotel made in 酒店、大厅 is an expense item: it shows in the expense
// document's picker and never in the other-income document's.
TEST_F(PickersTest, ItemPickerListsTheCallersKind)
{
    Db::execSql("INSERT INTO bm_xm (BM, MC, SZ) VALUES ('S1', ?, 0)", {QString::fromUtf8("租金收入")});
    QPointer<GridWindow> hotels = createGridWindow(*findGridMember("TBMXM"));
    hotels->show();
    const int row = hotels->records().insertRow();
    hotels->records().setValue(row, "BM", "H1");
    hotels->records().setValue(row, "MC", QString::fromUtf8("金陵饭店"));
    ASSERT_TRUE(hotels->save());
    hotels->close();

    struct Case
    {
        bool expense;
        QStringList listed;
    };
    for (const Case &c : {Case{true, {"H1"}}, Case{false, {"S1"}}}) {
        Txz_xm picker(c.expense);
        ASSERT_TRUE(picker.reload().ok);
        EXPECT_EQ(codes(picker.model()), c.listed) << c.expense;
        picker.setCurrentRow(0);
        picker.pickCurrent();
        ASSERT_TRUE(picker.picked().has_value());
        EXPECT_EQ(picker.picked()->value("MC").toString(),
                  QString::fromUtf8(c.expense ? "金陵饭店" : "租金收入"));
    }
}

TEST_F(PickersTest, PointsGoodsPickerIsReadOnlyAndRereadsEachTime)
{
    Db::execSql("INSERT INTO bm_jfsp (BM, MC, KCSL, JF) VALUES ('G1', ?, 3, 100)", {QString::fromUtf8("抱枕")});
    TXZJFSP picker;
    ASSERT_TRUE(picker.reload().ok);
    ASSERT_EQ(codes(picker.model()), QStringList{"G1"});
    for (int c = 0; c < picker.model()->columnCount(); ++c)
        EXPECT_FALSE(picker.model()->flags(picker.model()->index(0, c)) & Qt::ItemIsEditable) << c;

    Db::execSql("INSERT INTO bm_jfsp (BM, MC, KCSL, JF) VALUES ('G2', ?, 0, 0)", {QString::fromUtf8("相框")});
    ASSERT_TRUE(picker.reload().ok);
    EXPECT_EQ(codes(picker.model()), (QStringList{"G1", "G2"}));
}

// Txzghs edits suppliers too: leaving with unsaved edits asks first.
TEST_F(PickersTest, SupplierPickerAsksBeforeAPickDropsEdits)
{
    struct Case
    {
        Prompt::Answer answer;
        bool picked;       // whether the pick went through
        const char *name;  // MC of the picked row
        int storedRows;    // suppliers stored afterwards
    };
    const Case cases[] = {
        {Prompt::Answer::Cancel, false, "", 1},
        {Prompt::Answer::No, false, "", 1},   // the new row picked was never saved: nothing to hand over
        {Prompt::Answer::Yes, true, "新供货商", 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.answer));
        Db::execSql("DELETE FROM bm_ghs WHERE BM <> '001'");
        Txzghs picker;
        ASSERT_TRUE(picker.reload().ok);
        picker.insertRow();
        const int row = picker.records().rowCount() - 1;
        picker.records().setValue(row, "BM", "002");
        picker.records().setValue(row, "MC", QString::fromUtf8("新供货商"));
        prompt->clear();
        prompt->answer(c.answer);
        picker.pickCurrent();
        EXPECT_EQ(prompt->texts_shown(), QStringList{QString::fromUtf8("当前还没有保存，是否现在保存？")});
        EXPECT_EQ(picker.picked().has_value(), c.picked);
        if (c.picked) {
            EXPECT_EQ(picker.picked()->value("MC").toString(), QString::fromUtf8(c.name));
            EXPECT_DOUBLE_EQ(picker.picked()->value("ZHQK").toDouble(), 0);
        }
        EXPECT_EQ(Db::scalarSql("SELECT COUNT(*) FROM bm_ghs").toInt(), c.storedRows);
    }

    // An edit dropped with No: the stored supplier is handed over, not the typing.
    Txzghs picker;
    ASSERT_TRUE(picker.reload().ok);
    picker.setCurrentRow(0);
    picker.records().setValue(0, "MC", QString::fromUtf8("改了没存"));
    prompt->clear();
    prompt->answer(Prompt::Answer::No);
    picker.pickCurrent();
    ASSERT_TRUE(picker.picked().has_value());
    EXPECT_EQ(picker.picked()->value("MC").toString(), QString::fromUtf8("通用供货商"));
}

// Esc or 退出 with unsaved edits asks too; Cancel keeps the picker and its edits.
TEST_F(PickersTest, SupplierPickerAsksBeforeClosingOverEdits)
{
    Txzghs picker;
    picker.show();
    ASSERT_TRUE(picker.reload().ok);
    picker.records().setValue(0, "LXR", QString::fromUtf8("张经理"));
    prompt->answer(Prompt::Answer::Cancel);
    picker.reject();
    EXPECT_TRUE(picker.isVisible());
    EXPECT_TRUE(picker.records().isDirty());

    prompt->answer(Prompt::Answer::Yes);
    picker.reject();
    EXPECT_FALSE(picker.isVisible());
    EXPECT_FALSE(picker.picked().has_value());
    EXPECT_EQ(Db::scalarSql("SELECT LXR FROM bm_ghs WHERE BM = '001'").toString(), QString::fromUtf8("张经理"));
    EXPECT_EQ(prompt->texts_shown().count(QString::fromUtf8("当前还没有保存，是否现在保存？")), 2);
}

TEST_F(PickersTest, SupplierPickOnAnEmptyListDoesNothing)
{
    Db::execSql("DELETE FROM bm_ghs");
    Txzghs picker;
    ASSERT_TRUE(picker.reload().ok);
    picker.pickCurrent();
    EXPECT_FALSE(picker.picked().has_value());
    EXPECT_TRUE(prompt->shown.empty());

    // A filter that hides every row: the same.
    Db::execSql("INSERT INTO bm_ghs (BM, MC) VALUES ('001', 'x')");
    ASSERT_TRUE(picker.reload().ok);
    picker.setFilterText("nothing like it");
    picker.pickCurrent();
    EXPECT_FALSE(picker.picked().has_value());
}

TEST_F(PickersTest, SupplierWindowCountsStoredSuppliersOnly)
{
    QPointer<GridWindow> window = createGridWindow(*findGridMember("TBM_GHS"));
    window->show();
    auto *count = window->findChild<QLineEdit *>("countBox");
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->text(), "1");
    const int row = window->records().insertRow();
    window->records().setValue(row, "BM", "002");
    EXPECT_EQ(count->text(), "1");
    ASSERT_TRUE(window->save());
    EXPECT_EQ(count->text(), "2");
    delete window.data();
}

// The company window's 默认供货商 "..." takes code and name from the picked supplier.
TEST_F(PickersTest, CompanyDefaultSupplierComesFromThePicker)
{
    Db::execSql("INSERT INTO bm_ghs (BM, MC) VALUES ('007', ?)", {QString::fromUtf8("鲜花批发")});
    registerSupplierPicker();
    QPointer<TBM_GSXX> company = new TBM_GSXX;
    company->show();
    QTimer::singleShot(0, [] {
        auto *picker = qobject_cast<Txzghs *>(QApplication::activeModalWidget());
        ASSERT_NE(picker, nullptr);
        for (int r = 0; r < picker->records().rowCount(); ++r)
            if (picker->records().value(r, "BM").toString() == "007")
                picker->setCurrentRow(r);
        picker->pickCurrent();
    });
    company->findChild<QToolButton *>("pickSupplier")->click();
    EXPECT_EQ(company->findChild<QLineEdit *>("MR_GHS")->text(), "007");
    EXPECT_EQ(company->findChild<QLineEdit *>("MR_GHSMC")->text(), QString::fromUtf8("鲜花批发"));
    delete company.data();
}

} // namespace
