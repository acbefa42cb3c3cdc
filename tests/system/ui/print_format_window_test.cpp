#include "support/temp_home.h"

#include "core/db/database.h"
#include "core/home.h"
#include "core/db/record_set.h"
#include "core/session.h"
#include "system/print_format_list.h"
#include "system/ui/print_format_window.h"
#include "system/ui/report_preview.h"
#include "ui/row_model.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <functional>

namespace {

// Records where the file dialog would open and what it offers.
class FileDialogPrompt : public ScriptedPrompt
{
public:
    QString openFile(const QString &title, const QString &folder, const QString &filter) override
    {
        folders << folder;
        filters << filter;
        return ScriptedPrompt::openFile(title, folder, filter);
    }
    QStringList folders, filters;
};

// Runs the check on the first top-level widget of type W that shows up while
// the code under test blocks in its own event loop, then closes it.
template <class W> void whenShown(std::function<void(W *)> check)
{
    auto *timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, check] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *found = qobject_cast<W *>(w); found && found->isVisible()) {
                timer->stop();
                timer->deleteLater();
                check(found);
                found->close();
                return;
            }
        }
    });
    timer->start();
}

class PrintFormatWindowTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        loginAs("000");
    }
    void TearDown() override
    {
        delete window.data();
        TempHome::TearDown();
    }

    TGG_DJ *open(const QStringList &codes)
    {
        window = new TGG_DJ(codes);
        window->show();
        return window;
    }
    template <class W> W *child(const char *name) const
    {
        W *w = window->findChild<W *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    int rowOf(const QString &code) const
    {
        for (int r = 0; r < window->records().rowCount(); ++r)
            if (window->records().value(r, "DM").toString() == code)
                return r;
        return -1;
    }
    bool type(int row, const QString &field, const QVariant &value)
    {
        QSortFilterProxyModel *shown = window->filterModel();
        const QModelIndex source = window->model()->index(row, window->model()->columnOf(field));
        return shown->setData(shown->mapFromSource(source), value, Qt::EditRole);
    }
    QModelIndex shownIndex(int row, const QString &field) const
    {
        return window->filterModel()->mapFromSource(window->model()->index(row, window->model()->columnOf(field)));
    }
    // Closing frees the window; deletion happens when posted events run.
    bool closed()
    {
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window.isNull();
    }
    static QString stored(const char *code, const char *field = "DZ")
    {
        return Db::scalarSql(QStringLiteral("SELECT %1 FROM gg_dj WHERE DM = ?").arg(QLatin1String(field)),
                         {QString::fromLatin1(code)})
            .toString();
    }

    QPointer<TGG_DJ> window;
};

} // namespace

TEST(PrintFormatList, KeepsOnlyTheFileNameOfAChosenPath)
{
    const struct { const char *chosen, *kept; } cases[] = {
        {"/some/other/folder/skd2.html", "skd2.html"},
        {"C:\\禾岚\\PrintFormat\\收款单.html", "收款单.html"},
        {"skd.html", "skd.html"},
        {"  /x/skd.html ", "skd.html"},
        {"/x/", ""},
        {"..", ""},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PrintFormatList::formatFileName(QString::fromUtf8(c.chosen)), QString::fromUtf8(c.kept)) << c.chosen;
}

TEST_F(PrintFormatWindowTest, ShowsTheRowsOfTheGivenCodesInAnyCase)
{
    open({"skd", "Xsd_l", "NOPE"});
    EXPECT_EQ(window->objectName(), "TGG_DJ");
    EXPECT_EQ(window->windowTitle(), "打印格式设置");
    EXPECT_EQ(child<QPushButton>("designButton")->text(), "设计");
    EXPECT_EQ(child<QPushButton>("saveButton")->text(), "保存");
    EXPECT_EQ(child<QPushButton>("exitButton")->text(), "退出");
    // A fixed set of rows: nothing to append, delete or search.
    EXPECT_FALSE(child<QToolButton>("navInsert")->isVisible());
    EXPECT_FALSE(child<QWidget>("filterBox")->isVisible());
    QTest::keyClick(window->view(), Qt::Key_Insert);
    QAbstractItemModelTester tester(window->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);

    RowModel *model = window->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(rowOf("SKD") >= 0 && rowOf("XSD_L") >= 0, true);
    QStringList visible;
    for (int c = 0; c < model->columnCount(); ++c)
        if (!window->view()->isColumnHidden(c))
            visible << model->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(visible, QStringList({"名称", "位置"}));
    EXPECT_GE(model->columnOf("DM"), 0);
    EXPECT_EQ(model->index(rowOf("SKD"), model->columnOf("MC")).data().toString(), "收款单打印格式");
    EXPECT_EQ(window->currentRow(), 0);
    EXPECT_FALSE(window->isUnsaved());
}

TEST_F(PrintFormatWindowTest, TheEllipsisKeepsTheChosenFileNameAsPendingEdit)
{
    auto owned = std::make_unique<FileDialogPrompt>(); // installs itself
    FileDialogPrompt &files = *owned;
    open({"SKD"});
    // The "..." sits in the 位置 cell's editor.
    const QModelIndex dz = shownIndex(0, "DZ");
    window->view()->setCurrentIndex(dz);
    window->view()->edit(dz);
    auto *ellipsis = window->view()->findChild<QToolButton *>("chooseFormatButton");
    ASSERT_NE(ellipsis, nullptr);

    files.chooseFile("/some/other/folder/skd2.html");
    ellipsis->click();
    EXPECT_EQ(files.fileDialogs, QStringList({"选择打印格式"}));
    EXPECT_EQ(files.folders, QStringList({App::home().printFormatDir()}));
    EXPECT_EQ(files.filters, QStringList({"打印格式 (*.html)"}));
    EXPECT_EQ(window->records().value(0, "DZ").toString(), "skd2.html");
    EXPECT_TRUE(window->isUnsaved());
    EXPECT_EQ(stored("SKD"), "skd.html"); // pending until saved

    // A cancelled dialog changes nothing.
    EXPECT_FALSE(window->chooseFormatFile());
    EXPECT_EQ(window->records().value(0, "DZ").toString(), "skd2.html");

    child<QPushButton>("saveButton")->click();
    ASSERT_FALSE(files.shown.empty());
    EXPECT_EQ(files.last(), "保存成功！");
    EXPECT_EQ(stored("SKD"), "skd2.html");
    EXPECT_FALSE(window->isUnsaved());
    delete window.data();
    owned.reset();
    installPrompt(prompt.get());
}

TEST_F(PrintFormatWindowTest, ClosingWithEditsAsksAndFollowsTheAnswer)
{
    open({"SKD"});
    ASSERT_TRUE(type(0, "MC", "收款单A"));
    prompt->answer(Prompt::Answer::Cancel);
    EXPECT_FALSE(closed());
    EXPECT_EQ(prompt->last(), "当前还没有保存，是否现在保存？");
    EXPECT_EQ(window->records().value(0, "MC").toString(), "收款单A");

    prompt->answer(Prompt::Answer::No);
    EXPECT_TRUE(closed());
    EXPECT_EQ(stored("SKD", "MC"), "收款单打印格式");

    open({"SKD"});
    ASSERT_TRUE(type(0, "MC", "收款单B"));
    prompt->clear();
    prompt->answer(Prompt::Answer::Yes);
    EXPECT_TRUE(closed());
    EXPECT_EQ(stored("SKD", "MC"), "收款单B");
    EXPECT_EQ(prompt->texts_shown(), QStringList({"当前还没有保存，是否现在保存？"}));

    open({"SKD"}); // nothing edited: no question
    EXPECT_TRUE(closed());
}

TEST_F(PrintFormatWindowTest, AFailedSaveRollsBackAndKeepsTheEdits)
{
    Db::execSql("CREATE TRIGGER gg_dj_locked BEFORE UPDATE ON gg_dj BEGIN SELECT RAISE(ABORT, 'x'); END");
    open({"SKD", "CZD"});
    ASSERT_TRUE(type(rowOf("SKD"), "MC", "收款单A"));
    ASSERT_TRUE(type(rowOf("CZD"), "DZ", "czd2.html"));

    child<QPushButton>("saveButton")->click();
    ASSERT_EQ(prompt->shown.size(), 1u);
    EXPECT_EQ(prompt->shown[0].text, "保存失败！");
    EXPECT_EQ(prompt->shown[0].caption, "提示");
    EXPECT_EQ(prompt->shown[0].icon, Prompt::Icon::Information);
    EXPECT_EQ(stored("SKD", "MC"), "收款单打印格式");
    EXPECT_EQ(window->records().value(rowOf("SKD"), "MC").toString(), "收款单A");
    EXPECT_EQ(window->records().value(rowOf("CZD"), "DZ").toString(), "czd2.html");
    EXPECT_TRUE(window->isUnsaved());

    // Yes on closing fails the same way: the window stays with its edits.
    prompt->clear();
    prompt->answer(Prompt::Answer::Yes);
    EXPECT_FALSE(closed());
    EXPECT_EQ(prompt->texts_shown(), QStringList({"当前还没有保存，是否现在保存？", "保存失败！"}));
    EXPECT_EQ(window->records().value(rowOf("SKD"), "MC").toString(), "收款单A");

    Db::execSql("DROP TRIGGER gg_dj_locked");
    prompt->clear();
    child<QPushButton>("saveButton")->click();
    EXPECT_EQ(prompt->last(), "保存成功！");
    EXPECT_EQ(stored("SKD", "MC"), "收款单A");
    EXPECT_EQ(stored("CZD"), "czd2.html");
}

TEST_F(PrintFormatWindowTest, DesignOpensTheDesignerOnTheRowsFileWithSampleData)
{
    Db::execSql("UPDATE gg_dj SET DZ = NULL WHERE DM = 'CZD'");
    open({"SKD", "CZD"});
    ReportData sample;
    sample.header.insert("KHMC", "王小姐");
    window->setSampleData(sample);

    QString file, preview;
    auto look = [&](ReportDesigner *d) {
        file = d->templateFile();
        preview = d->previewBrowser()->toPlainText();
        EXPECT_TRUE(d->isModal());
    };

    window->setCurrentRow(rowOf("SKD"));
    whenShown<ReportDesigner>(look);
    child<QPushButton>("designButton")->click();
    EXPECT_EQ(file, App::home().printFormatDir() + "/skd.html");
    EXPECT_TRUE(preview.contains("禾岚婚庆摄影")) << preview.toStdString(); // the company row
    EXPECT_TRUE(preview.contains("王小姐")) << preview.toStdString();
    EXPECT_FALSE(window->isUnsaved());

    // A pending file name counts; a row without one gets "<code>.html", pending like any edit.
    ASSERT_TRUE(type(rowOf("SKD"), "DZ", "D:\\old\\skd9.html"));
    whenShown<ReportDesigner>(look);
    window->design();
    EXPECT_EQ(file, App::home().printFormatDir() + "/skd9.html");

    window->setCurrentRow(rowOf("CZD"));
    file.clear();
    whenShown<ReportDesigner>(look);
    window->design();
    EXPECT_EQ(file, App::home().printFormatDir() + "/czd.html");
    EXPECT_EQ(window->records().value(rowOf("CZD"), "DZ").toString(), "czd.html");
    EXPECT_EQ(stored("CZD"), "");
}

TEST_F(PrintFormatWindowTest, DesignerDataHasTheCompanyAndStandInLines)
{
    open({"SKD"});
    ReportData data = window->designerData();
    EXPECT_EQ(data.company.value("GSMC").toString(), "禾岚婚庆摄影");
    EXPECT_FALSE(data.lines.isEmpty());

    ReportData sample;
    sample.lines = {QVariantMap{{"SPMC", "婚纱照"}}};
    window->setSampleData(sample);
    data = window->designerData();
    ASSERT_EQ(data.lines.size(), 1);
    EXPECT_EQ(data.lines[0].value("SPMC").toString(), "婚纱照");
}

TEST_F(PrintFormatWindowTest, EnterMovesThroughTheCellsAndEndsAnEditInPlace)
{
    open({"SKD", "CZD"});
    QTableView *grid = window->view();
    grid->setCurrentIndex(shownIndex(0, "MC"));
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(grid->currentIndex(), shownIndex(0, "DZ"));
    QTest::keyClick(grid, Qt::Key_Return); // the hidden code column is skipped
    EXPECT_EQ(grid->currentIndex(), shownIndex(1, "MC"));

    // Enter in an open editor writes the value and stays on the cell.
    grid->edit(grid->currentIndex());
    QWidget *editor = grid->indexWidget(grid->currentIndex());
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "X");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->currentIndex(), shownIndex(1, "MC"));
    EXPECT_TRUE(window->records().value(1, "MC").toString().endsWith("X"));
}

TEST_F(PrintFormatWindowTest, OpenPrintFormatsIsModalAndReturnsWhenClosed)
{
    QWidget caller;
    caller.show();
    bool seen = false;
    whenShown<TGG_DJ>([&](TGG_DJ *w) {
        seen = true;
        EXPECT_EQ(w->parentWidget(), &caller);
        EXPECT_TRUE(w->isWindow());
        EXPECT_EQ(w->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(w->records().rowCount(), 1);
    });
    openPrintFormats({"bb_skd"}, &caller);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(caller.findChildren<TGG_DJ *>().isEmpty());
}
