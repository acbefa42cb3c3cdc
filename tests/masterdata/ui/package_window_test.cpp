#include "support/temp_home.h"

#include "app/window_catalog.h"
#include "core/db/database.h"
#include "core/db/record_set.h"
#include "masterdata/ui/package_window.h"
#include "ui/row_model.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QPointer>
#include <QTableView>
#include <QToolButton>

namespace {

class PackageWindowTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        Db::execSql("INSERT INTO bm_txlb (BM, MC) VALUES ('A', ?), ('B', ?)",
                    {QString::fromUtf8("经典套系"), QString::fromUtf8("豪华套系")});
        Db::execSql("INSERT INTO bm_sp (BM, MC, LSJ, KCSL) VALUES ('P1', ?, 2999, 0), ('P2', ?, 399, 0)",
                    {QString::fromUtf8("婚纱"), QString::fromUtf8("相册")});
        Db::execSql("INSERT INTO bm_tx (BM, MC, SL, DJ, LB) VALUES ('P2', ?, 2, 350, 'B')", {QString::fromUtf8("相册")});
    }
    void TearDown() override
    {
        delete window.data();
        TempHome::TearDown();
    }
    TBM_TX *open()
    {
        window = new TBM_TX;
        window->show();
        return window;
    }
    int productRow(const QString &code) const
    {
        for (int r = 0; r < window->productModel()->rowCount(); ++r)
            if (window->productModel()->index(r, 0).data(Qt::EditRole).toString() == code)
                return r;
        return -1;
    }
    int lineCount(const char *package) const
    {
        return Db::scalarSql("SELECT COUNT(*) FROM bm_tx WHERE LB = ?", {QString::fromLatin1(package)}).toInt();
    }
    bool insertShown() const { return window->findChild<QToolButton *>("navInsert")->isVisible(); }

    QPointer<TBM_TX> window;
};

TEST_F(PackageWindowTest, DoubleClickedProductBecomesALineOfTheChosenPackage)
{
    open();
    QAbstractItemModelTester tester(window->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(window->packageBox()->count(), 2);
    EXPECT_EQ(window->packageBox()->currentIndex(), -1);
    // The product list shows 编码, 名称, 零售价, 备注; 面积 stays hidden.
    QStringList shown;
    for (int c = 0; c < window->productModel()->columnCount(); ++c)
        if (!window->productView()->isColumnHidden(c))
            shown << window->productModel()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(shown, (QStringList{"编码", "名称", "零售价", "备注"}));
    EXPECT_EQ(window->productModel()->index(productRow("P1"), 2).data().toString(), "2999.00");
    EXPECT_EQ(window->records().rowCount(), 0);

    // No package yet: no line can be made, by double click or by the navigator.
    EXPECT_FALSE(insertShown());
    window->addProduct(productRow("P1"));
    EXPECT_EQ(window->records().rowCount(), 0);
    EXPECT_TRUE(prompt->saw(QString::fromUtf8("请先选择套系！")));

    ASSERT_TRUE(window->choosePackage(QString::fromUtf8("经典套系")));
    EXPECT_EQ(window->packageBox()->currentText(), QString::fromUtf8("经典套系"));
    EXPECT_TRUE(insertShown());
    window->addProduct(productRow("P1"));
    window->addProduct(productRow("P1"));
    window->insertRow();
    const RecordSet &lines = window->records();
    ASSERT_EQ(lines.rowCount(), 3);
    for (int r : {0, 1}) {
        EXPECT_EQ(lines.value(r, "BM").toString(), "P1");
        EXPECT_EQ(lines.value(r, "MC").toString(), QString::fromUtf8("婚纱"));
        EXPECT_DOUBLE_EQ(lines.value(r, "DJ").toDouble(), 2999);
        EXPECT_DOUBLE_EQ(lines.value(r, "SL").toDouble(), 1);
    }
    for (int r : {0, 1, 2})
        EXPECT_EQ(lines.value(r, "LB").toString(), "A");

    ASSERT_TRUE(window->save());
    EXPECT_EQ(lineCount("A"), 3);
    EXPECT_EQ(Db::scalarSql("SELECT COUNT(*) FROM bm_tx WHERE LB IS NULL OR LB = ''").toInt(), 0);
}

// Choosing another package with lines not saved asks as closing does.
TEST_F(PackageWindowTest, ChoosingAnotherPackageAsksAboutUnsavedLines)
{
    struct Case
    {
        Prompt::Answer answer;
        const char *shownAfter; // package code in the window afterwards
        int savedInA;
    };
    const Case cases[] = {
        {Prompt::Answer::Cancel, "A", 0},
        {Prompt::Answer::No, "B", 0},
        {Prompt::Answer::Yes, "B", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.answer));
        Db::execSql("DELETE FROM bm_tx WHERE LB = 'A'");
        open();
        ASSERT_TRUE(window->choosePackage(QString::fromUtf8("经典套系")));
        window->addProduct(productRow("P1"));
        prompt->clear();
        prompt->answer(c.answer);
        window->choosePackage(QString::fromUtf8("豪华套系"));
        EXPECT_EQ(prompt->texts_shown(), QStringList{QString::fromUtf8("当前还没有保存，是否现在保存？")});
        EXPECT_EQ(window->currentPackage(), c.shownAfter);
        EXPECT_EQ(window->packageBox()->currentText(),
                  QString::fromUtf8(c.shownAfter == QStringLiteral("A") ? "经典套系" : "豪华套系"));
        EXPECT_EQ(lineCount("A"), c.savedInA);
        if (window->currentPackage() == "B") {
            ASSERT_EQ(window->records().rowCount(), 1);
            EXPECT_DOUBLE_EQ(window->records().value(0, "DJ").toDouble(), 350);
        } else {
            EXPECT_TRUE(window->isUnsaved());
            prompt->answer(Prompt::Answer::No);
        }
        window->close();
        delete window.data();
    }
}

// A save that fails keeps the lines and says so in the window's own words.
TEST_F(PackageWindowTest, FailedSaveKeepsTheLines)
{
    open();
    ASSERT_TRUE(window->choosePackage(QString::fromUtf8("豪华套系")));
    ASSERT_EQ(window->records().rowCount(), 1);
    window->records().setValue(0, "SL", 5.0);
    window->addProduct(productRow("P1"));
    Db::execSql("DELETE FROM bm_tx WHERE LB = 'B'"); // gone under the window's feet

    EXPECT_FALSE(window->save());
    EXPECT_EQ(prompt->last(), QString::fromUtf8("提交超时，请退出重新操作"));
    EXPECT_EQ(prompt->shown.back().icon, Prompt::Icon::Warning);
    EXPECT_TRUE(window->isUnsaved());
    EXPECT_EQ(window->records().rowCount(), 2);
    EXPECT_EQ(lineCount("B"), 0); // the new line was not written either
}

TEST_F(PackageWindowTest, NoPackageDefinedIsSaid)
{
    Db::execSql("DELETE FROM bm_txlb");
    open();
    EXPECT_TRUE(prompt->saw(QString::fromUtf8("请先在“基础资料-套系名称”中输入至少一个套系")));
    EXPECT_EQ(window->packageBox()->count(), 0);
}

// TBM_TXLB: names stay pending until 保存 and closing asks like the family;
// a duplicate name is refused with every edit kept.
TEST_F(PackageWindowTest, PackageNamesAskOnCloseAndRefuseDuplicates)
{
    const GridMember *member = findGridMember("TBM_TXLB");
    ASSERT_NE(member, nullptr);
    QPointer<GridWindow> names = createGridWindow(*member);
    names->show();
    ASSERT_EQ(names->records().rowCount(), 2);
    names->records().setValue(1, "MC", QString::fromUtf8("经典套系"));
    EXPECT_FALSE(names->save());
    EXPECT_TRUE(prompt->saw(QString::fromUtf8("套系名称“经典套系”重复，请修改后再保存！")));
    EXPECT_TRUE(names->isUnsaved());

    prompt->answer(Prompt::Answer::Cancel);
    names->close();
    ASSERT_FALSE(names.isNull());
    EXPECT_TRUE(prompt->saw(QString::fromUtf8("当前还没有保存，是否现在保存？")));
    names->records().setValue(1, "MC", QString::fromUtf8("至尊套系"));
    names->records().setValue(0, "BM", "A1");
    ASSERT_TRUE(names->save());
    EXPECT_EQ(Db::scalarSql("SELECT MC FROM bm_txlb WHERE BM = 'B'").toString(), QString::fromUtf8("至尊套系"));
    delete names.data();
}

} // namespace
