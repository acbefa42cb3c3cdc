#include "support/temp_home.h"

#include "app/window_catalog.h"
#include "core/db/database.h"
#include "core/db/record_set.h"
#include "core/home.h"
#include "core/session.h"
#include "masterdata/ui/category_window.h"
#include "masterdata/ui/picture_window.h"
#include "masterdata/ui/product_window.h"
#include "system/ui/print_sequences.h"
#include "ui/row_model.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

namespace {

class ProductWindowTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        loginAs("000");
        Db::execSql("DELETE FROM bm_sp");
        Db::execSql("DELETE FROM bm_splb");
        Db::execSql("INSERT INTO bm_splb (BM, MC, JFGZ) VALUES ('01', ?, '10'), ('07', ?, '5')",
                    {QString::fromUtf8("相册"), QString::fromUtf8("婚车")});
        for (int i = 1; i <= 3; ++i)
            Db::execSql("INSERT INTO bm_sp (BM, MC, LB, LSJ, KCSL, KCJE, CBJJ, TDZ, TJF) VALUES (?, ?, '01', 50, 4, 40, 10, 0, 1)",
                        {QString("01000%1").arg(i), QString::fromUtf8("相册%1").arg(i)});
        Db::execSql("INSERT INTO bm_sp (BM, MC, LB) VALUES ('X1', 'x', NULL)");
    }
    void TearDown() override
    {
        if (TBM_TP::current())
            delete TBM_TP::current();
        delete window.data();
        delete categories.data();
        installPrintOutput(nullptr);
        TempHome::TearDown();
    }
    TFormSP *open()
    {
        const WindowKind *kind = findWindowKind("TFormSP");
        EXPECT_NE(kind, nullptr);
        window = qobject_cast<TFormSP *>(kind->create());
        window->show();
        tester = std::make_unique<QAbstractItemModelTester>(window->model());
        return window;
    }
    int rowOf(const QString &code)
    {
        for (int r = 0; r < window->records().rowCount(); ++r)
            if (window->records().value(r, "BM").toString() == code)
                return r;
        return -1;
    }
    template <typename W = QPushButton> W *child(const char *name) { return window->findChild<W *>(name); }
    QString count() { return child<QLabel>("productCount")->text(); }

    QPointer<TFormSP> window;
    QPointer<TBM_SPLB> categories;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(ProductWindowTest, RootShowsEveryCategorisedProductAndRefusesAppending)
{
    open();
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("商品资料"));
    QTreeWidget *tree = window->tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QString::fromUtf8("商品类别"));
    EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(0), QString::fromUtf8("01.相册"));
    EXPECT_EQ(tree->currentItem(), tree->topLevelItem(0));
    EXPECT_EQ(window->records().rowCount(), 3); // X1 has no category
    EXPECT_EQ(count(), QString::fromUtf8("共有 3 行商品"));

    child<QToolButton>("navInsert")->click();
    EXPECT_EQ(prompt->last(), QString::fromUtf8("请选择类别！"));
    EXPECT_EQ(window->records().rowCount(), 3);
    EXPECT_FALSE(window->isUnsaved());
}

TEST_F(ProductWindowTest, CategoryProposesTheNextCodeWhateverTheFilterShows)
{
    open();
    window->selectCategory("07");
    EXPECT_EQ(count(), QString::fromUtf8("共有 0 行商品"));
    child<QToolButton>("navInsert")->click();
    EXPECT_EQ(window->records().value(0, "BM").toString(), "070001");
    EXPECT_EQ(window->records().value(0, "JFGZ").toString(), "5");
    prompt->answer(Prompt::Answer::No); // drop it when moving on

    window->selectCategory("01");
    EXPECT_EQ(window->records().rowCount(), 3);
    child<QLineEdit>("filterBox")->setText("010001");
    child<QToolButton>("navInsert")->click();
    const int row = window->records().rowCount() - 1;
    EXPECT_EQ(window->records().value(row, "BM").toString(), "010004");
    EXPECT_EQ(window->records().value(row, "LB").toString(), "01");
    EXPECT_EQ(window->currentRow(), row); // the new row stays in sight under the filter
}

TEST_F(ProductWindowTest, ChangingCategoryAsksBeforeDroppingEdits)
{
    open();
    window->selectCategory("01");
    window->records().setValue(0, "MC", QString("changed"));
    prompt->answer(Prompt::Answer::Cancel);
    window->selectCategory("07");
    EXPECT_EQ(window->selectedCategory(), "01");
    EXPECT_EQ(window->tree()->currentItem()->data(0, Qt::UserRole).toString(), "01");
    EXPECT_TRUE(window->isUnsaved());

    prompt->answer(Prompt::Answer::Yes);
    window->selectCategory("07");
    EXPECT_EQ(window->selectedCategory(), "07");
    EXPECT_EQ(Db::scalarSql("SELECT MC FROM bm_sp WHERE BM = '010001'").toString(), "changed");
}

TEST_F(ProductWindowTest, PasteOntoANewRowKeepsItsCodeAndNoStock)
{
    open();
    window->selectCategory("01");
    window->setCurrentRow(rowOf("010002"));
    EXPECT_FALSE(child("pasteRowButton")->isEnabled());
    child("copyRowButton")->click();
    EXPECT_TRUE(child("pasteRowButton")->isEnabled());
    child<QToolButton>("navInsert")->click();
    child("pasteRowButton")->click();
    const int row = window->records().rowCount() - 1;
    EXPECT_EQ(window->records().value(row, "BM").toString(), "010004");
    EXPECT_EQ(window->records().value(row, "MC").toString(), QString::fromUtf8("相册2"));
    EXPECT_DOUBLE_EQ(window->records().value(row, "LSJ").toDouble(), 50);
    ASSERT_TRUE(window->save());
    EXPECT_DOUBLE_EQ(Db::scalarSql("SELECT KCSL FROM bm_sp WHERE BM = '010004'").toDouble(), 0);
    EXPECT_DOUBLE_EQ(Db::scalarSql("SELECT KCJE FROM bm_sp WHERE BM = '010004'").toDouble(), 0);
    EXPECT_EQ(count(), QString::fromUtf8("共有 4 行商品"));
}

TEST_F(ProductWindowTest, UsedProductIsNotRemoved)
{
    Db::execSql("INSERT INTO xtd_mx (ID, SPBM) VALUES ('T1', '010001')");
    open();
    window->setCurrentRow(rowOf("010001"));
    window->deleteCurrentRow();
    EXPECT_EQ(prompt->last(), QString::fromUtf8("当前商品在销售退货单使用过，无法删除！"));
    EXPECT_EQ(prompt->shown.back().caption, QString::fromUtf8("提示："));
    EXPECT_EQ(window->records().rowCount(), 3);
    EXPECT_FALSE(window->isUnsaved());
}

TEST_F(ProductWindowTest, ClearingAsksOnceWithNoAndKeepsUsedProducts)
{
    Db::execSql("INSERT INTO rkd_mx (ID, SPBM) VALUES ('R1', '010003')");
    open();
    prompt->answer(Prompt::Answer::No);
    child("clearProductsButton")->click();
    ASSERT_FALSE(prompt->shown.empty());
    EXPECT_EQ(prompt->shown.back().text, QString::fromUtf8("您确定要清空商品资料吗？"));
    EXPECT_EQ(window->records().rowCount(), 3);

    prompt->answer(Prompt::Answer::Yes);
    child("clearProductsButton")->click();
    EXPECT_TRUE(prompt->last().startsWith(QString::fromUtf8("清空成功！")));
    EXPECT_EQ(window->records().rowCount(), 1);
    EXPECT_EQ(Db::scalarSql("SELECT COUNT(*) FROM bm_sp").toInt(), 1);
}

TEST_F(ProductWindowTest, PinyinAndPrintCoverTheRows)
{
    Db::execSql("UPDATE bm_sp SET JP = NULL");
    RecordingPrintOutput output;
    installPrintOutput(&output);
    open();
    prompt->answer(Prompt::Answer::Yes);
    child("pinyinButton")->click();
    EXPECT_EQ(window->records().value(rowOf("010002"), "JP").toString(), "XC2");
    EXPECT_TRUE(window->isUnsaved());
    child("printButton")->click();
    ASSERT_EQ(output.entries.size(), 1u);
    EXPECT_TRUE(output.entries.front().previewed);
}

TEST_F(ProductWindowTest, PictureFromTheWindowJoinsThePendingEdits)
{
    const QString folder = App::home().path("图片");
    QDir().mkpath(folder);
    QImage img(40, 20, QImage::Format_RGB32);
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(folder + "/p.png"));

    open();
    window->setCurrentRow(rowOf("010002"));
    window->records().setValue(rowOf("010001"), "MC", QString("pending"));
    window->showPicture();
    TBM_TP *picture = TBM_TP::current();
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->size(), QSize(768, 514));
    prompt->chooseFile(folder + "/p.png");
    picture->choosePicture();
    EXPECT_EQ(prompt->fileDialogs.value(0), QString::fromUtf8("图片文件"));
    EXPECT_FALSE(picture->picture().isNull());
    picture->clearPicture();
    EXPECT_TRUE(picture->picture().isNull());
    EXPECT_EQ(picture->path(), QString::fromUtf8("图片/p.png"));
    picture->close();

    EXPECT_EQ(window->records().value(rowOf("010002"), "TP").toString(), QString::fromUtf8("图片/p.png"));
    EXPECT_EQ(window->records().value(rowOf("010001"), "MC").toString(), "pending");
    EXPECT_TRUE(Db::scalarSql("SELECT TP FROM bm_sp WHERE BM = '010002'").isNull());
    ASSERT_TRUE(window->save());
    EXPECT_EQ(Db::scalarSql("SELECT TP FROM bm_sp WHERE BM = '010002'").toString(), QString::fromUtf8("图片/p.png"));
}

TEST_F(ProductWindowTest, PictureOfAStoredProductIsWrittenOnExit)
{
    Db::execSql("UPDATE bm_sp SET TP = '图片/missing.jpg' WHERE BM = '010001'");
    TBM_TP *picture = TBM_TP::openForProduct("010001");
    ASSERT_TRUE(picture);
    EXPECT_TRUE(picture->picture().isNull()); // a missing file is no error
    EXPECT_TRUE(prompt->shown.empty());
    prompt->chooseFile("/elsewhere/pic.jpg");
    picture->choosePicture();
    picture->findChild<QPushButton *>("exitButton")->click();
    EXPECT_EQ(Db::scalarSql("SELECT TP FROM bm_sp WHERE BM = '010001'").toString(), "/elsewhere/pic.jpg");

    TBM_TP::openForProduct("NOPE")->close();
    EXPECT_EQ(prompt->shown.back().caption, QString::fromUtf8("提示："));
    EXPECT_TRUE(prompt->last().startsWith(QString::fromUtf8("保存失败，请先保存然后重试！")));
}

TEST_F(ProductWindowTest, UnifiedPointsRulesSavePendingCategoriesFirst)
{
    Db::execSql("UPDATE bm_sp SET JFGZ = '99'");
    const WindowKind *kind = findWindowKind("TBM_SPLB");
    ASSERT_NE(kind, nullptr);
    categories = qobject_cast<TBM_SPLB *>(kind->create());
    ASSERT_TRUE(categories);
    categories->show();
    EXPECT_EQ(categories->windowTitle(), QString::fromUtf8("商品类别"));
    categories->records().setValue(0, "JFGZ", QString("8"));
    categories->findChild<QPushButton *>("applyRulesButton")->click();
    EXPECT_EQ(prompt->last(), QString::fromUtf8("修改成功！"));
    EXPECT_FALSE(categories->isUnsaved());
    EXPECT_EQ(Db::scalarSql("SELECT JFGZ FROM bm_sp WHERE BM = '010003'").toString(), "8");
    EXPECT_EQ(Db::scalarSql("SELECT JFGZ FROM bm_sp WHERE BM = 'X1'").toString(), "99");
}

} // namespace
