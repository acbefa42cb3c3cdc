#include "support/pdf_text.h"
#include "support/temp_home.h"

#include "core/db/database.h"
#include "core/db/grid_spec.h"
#include "core/db/query_result.h"
#include "core/home.h"
#include "core/session.h"
#include "core/settings.h"
#include "system/ui/print_sequences.h"
#include "system/ui/report_preview.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QProcess>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QTimer>

namespace {

void writeFile(const QString &path, const QString &text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.toUtf8());
}

QString readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

class PrintSequencesTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        loginAs(QStringLiteral("000"));
        output = std::make_unique<RecordingPrintOutput>(homePath());
        installPrintOutput(output.get());
    }
    void TearDown() override
    {
        installPrintOutput(nullptr);
        output.reset();
        TempHome::TearDown();
    }

    void useTemplate(const QString &code, const QString &text)
    {
        writeFile(App::home().printFormatDir() + QLatin1Char('/') + ReportEngine::templatePath(code).section('/', -1),
                  text);
    }

    ReportData receipt() const
    {
        ReportData d;
        d.header = {{"ID", "SKD001"}, {"KHMC", "李四"}, {"SS", 88.0}};
        d.lines = {{{"DJ_ID", "XSD9"}, {"BCSK", 88.0}}};
        return d;
    }

    // A query window's grid: the rows of a row source in its shown columns.
    TableData grid() const
    {
        Db::execSql(QStringLiteral("DELETE FROM skd_mx"));
        Db::execSql(QStringLiteral("INSERT INTO skd_mx (ID, DJ_ID, RQ, BCSK) VALUES ('S1', 'XSD9', '2024-01-02 08:00:00', 88), "
                                   "('S2', 'XSD10', '2024-01-03 09:00:00', 12.005)"));
        QueryResult rows(QStringLiteral("SELECT DJ_ID, RQ, BCSK FROM skd_mx ORDER BY ID"));
        EXPECT_TRUE(rows.load().ok);
        GridColumn day = GridColumn::of("RQ", "日期");
        day.format = QStringLiteral("yyyy-MM-dd");
        GridColumn amount = GridColumn::of("BCSK", "金额");
        amount.format = QStringLiteral("0.00");
        const TableData t = TableData::fromRows(rows, {GridColumn::of("DJ_ID", "单号"), day, amount}, {0, 1});
        EXPECT_EQ(t.rows, (QList<QStringList>{{"XSD9", "2024-01-02", "88.00"}, {"XSD10", "2024-01-03", "12.01"}}));
        EXPECT_FALSE(t.columns[1].numeric);
        EXPECT_TRUE(t.columns[2].numeric);
        return t;
    }

    std::unique_ptr<RecordingPrintOutput> output;
};

TEST_F(PrintSequencesTest, DocumentPreviewOrDirectPrintFollowsTheSetting)
{
    useTemplate(QStringLiteral("SKD"), QStringLiteral("<p>{{company.GSMC}} {{header.ID}} {{header.SS}}</p>"));
    struct Case { const char *yl; bool previewed; };
    const Case cases[] = {{nullptr, true}, {"F", true}, {"t", true}, {"", true}, {"T", false}};
    for (const Case &c : cases) {
        if (c.yl)
            App::settings().setValue(QStringLiteral("xsd"), QStringLiteral("yl"), QString::fromLatin1(c.yl));
        output->entries.clear();
        prompt->clear();
        EXPECT_TRUE(printDocument(QStringLiteral("skd"), receipt()));
        ASSERT_EQ(output->entries.size(), 1u) << (c.yl ? c.yl : "unset");
        EXPECT_EQ(output->entries[0].previewed, c.previewed) << (c.yl ? c.yl : "unset");
        EXPECT_TRUE(output->entries[0].job.html.contains(QStringLiteral("禾岚婚庆摄影 SKD001 88.00")));
        EXPECT_EQ(output->entries[0].job.title, QStringLiteral("收款单打印格式"));
        ASSERT_EQ(prompt->shown.size(), 1u);
        EXPECT_EQ(prompt->shown[0].text, QStringLiteral("打印成功"));
        EXPECT_TRUE(prompt->shown[0].caption.isEmpty());
    }
}

TEST_F(PrintSequencesTest, DocumentPrintNeverReportsSuccessWhenNothingWasPrinted)
{
    // No printer: the user learns why, not "打印成功".
    useTemplate(QStringLiteral("SKD"), QStringLiteral("<p>{{header.ID}}</p>"));
    App::settings().setValue(QStringLiteral("xsd"), QStringLiteral("yl"), QStringLiteral("T"));
    output->printFailure = QStringLiteral("没有可用的打印机");
    EXPECT_FALSE(printDocument(QStringLiteral("SKD"), receipt()));
    EXPECT_TRUE(output->entries.empty());
    EXPECT_EQ(prompt->texts_shown(), QStringList{QStringLiteral("打印失败：没有可用的打印机")});

    // A broken template prints nothing and says so.
    prompt->clear();
    output->printFailure.clear();
    App::settings().setValue(QStringLiteral("xsd"), QStringLiteral("yl"), QStringLiteral("F"));
    useTemplate(QStringLiteral("SKD"), QStringLiteral("{{#lines}}<p>{{DJ_ID}}</p>"));
    EXPECT_FALSE(printDocument(QStringLiteral("SKD"), receipt()));
    EXPECT_TRUE(output->entries.empty());
    ASSERT_EQ(prompt->shown.size(), 1u);
    EXPECT_TRUE(prompt->shown[0].text.startsWith(QStringLiteral("打印格式有误")));

    // A missing file is an empty page, and that still prints.
    prompt->clear();
    QFile::remove(ReportEngine::templatePath(QStringLiteral("SKD")));
    EXPECT_TRUE(printDocument(QStringLiteral("SKD"), receipt()));
    ASSERT_EQ(output->entries.size(), 1u);
    EXPECT_TRUE(output->entries[0].previewed);
    EXPECT_EQ(prompt->texts_shown(), QStringList{QStringLiteral("打印成功")});
}

TEST_F(PrintSequencesTest, QueryAlwaysPreviewsAndFallsBackToThePlainTable)
{
    // Query windows preview even when documents print directly.
    App::settings().setValue(QStringLiteral("xsd"), QStringLiteral("yl"), QStringLiteral("T"));
    useTemplate(QStringLiteral("bb_skd"), QStringLiteral("<p>{{ksrq}}{{#lines}} {{DJ_ID}}{{/lines}}</p>"));
    ReportData d = receipt();
    d.setVariable(QStringLiteral("ksrq"), QDate(2024, 1, 1));
    printQuery(QStringLiteral("BB_SKD"), d, QStringLiteral("收款单查询"), grid());
    ASSERT_EQ(output->entries.size(), 1u);
    EXPECT_TRUE(output->entries[0].previewed);
    EXPECT_TRUE(output->entries[0].job.html.contains(QStringLiteral("2024-01-01 XSD9")));
    EXPECT_EQ(prompt->texts_shown(), QStringList{QStringLiteral("打印成功")});

    // A broken template: the grid as a landscape A4 table titled with the caption, no message.
    output->entries.clear();
    prompt->clear();
    useTemplate(QStringLiteral("bb_skd"), QStringLiteral("<p>{{#lines}}{{DJ_ID}}</p>"));
    printQuery(QStringLiteral("bb_skd"), d, QStringLiteral("收款单查询"), grid());
    ASSERT_EQ(output->entries.size(), 1u);
    const RecordingPrintOutput::Entry &e = output->entries[0];
    EXPECT_TRUE(e.previewed);
    EXPECT_TRUE(prompt->shown.empty());
    EXPECT_EQ(e.job.layout.orientation(), QPageLayout::Landscape);
    EXPECT_EQ(e.job.layout.pageSize().id(), QPageSize::A4);
    EXPECT_TRUE(e.job.decoration.header.isEmpty());
    EXPECT_EQ(e.job.decoration.footer, QStringLiteral("第[PAGE#]页"));
    EXPECT_TRUE(e.job.html.contains(QStringLiteral("<p align=\"left\"")));
    ASSERT_FALSE(e.pdf.isEmpty());
    const QString text = pdfText(e.pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("收款单查询"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("XSD10")));
    EXPECT_TRUE(text.contains(QStringLiteral("12.01")));
    EXPECT_TRUE(e.job.html.contains(QStringLiteral("<td align=\"right\">88.00</td>"))) << e.job.html.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("第1页")));
}

TEST_F(PrintSequencesTest, PreviewOffersPdfAndSearch)
{
    PrintJob job = ReportEngine::documentJob(QStringLiteral("测试/预览"), QStringLiteral("<p>第一页内容</p>"));
    std::unique_ptr<QPrintPreviewDialog> dialog(ReportPreview::create(job));
    auto *savePdf = dialog->findChild<QAction *>(QStringLiteral("savePdfAction"));
    ASSERT_TRUE(savePdf);
    EXPECT_TRUE(dialog->findChild<QLineEdit *>(QStringLiteral("findEdit")));
    EXPECT_TRUE(dialog->findChild<QAction *>(QStringLiteral("findAction")));

    const QString pdf = homePath(QStringLiteral("saved.pdf"));
    prompt->chooseFile(pdf);
    savePdf->trigger();
    EXPECT_EQ(prompt->fileDialogs, QStringList{QStringLiteral("保存PDF")});
    EXPECT_EQ(prompt->last(), QStringLiteral("保存成功！"));
    EXPECT_TRUE(pdfText(pdf).contains(QStringLiteral("第一页内容")));

    // The preview's own painting goes through the same pages.
    QSignalSpy painted(dialog.get(), &QPrintPreviewDialog::paintRequested);
    dialog->show();
    QCoreApplication::processEvents();
    EXPECT_GE(painted.count(), 1);
    dialog->hide();

    // Search finds the page that holds the text.
    QString html = QStringLiteral("<p>开头</p>");
    for (int i = 0; i < 80; ++i)
        html += QStringLiteral("<p>第%1行</p>").arg(i);
    html += QStringLiteral("<p>结尾标记</p>");
    const PrintJob longJob = ReportEngine::documentJob(QString(), html);
    const QList<int> pages = ReportEngine::pagesContaining(longJob, QStringLiteral("结尾标记"));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pages[0], ReportEngine::pageCount(longJob) - 1);
    EXPECT_GT(pages[0], 0);
    EXPECT_EQ(ReportEngine::pagesContaining(longJob, QStringLiteral("开头")), QList<int>{0});
    EXPECT_TRUE(ReportEngine::pagesContaining(longJob, QStringLiteral("没有的字")).isEmpty());
}

TEST_F(PrintSequencesTest, DesignerPreviewsLiveAndSurvivesBrokenTemplates)
{
    useTemplate(QStringLiteral("SKD"), QStringLiteral("<p>单号{{header.ID}}</p>"));
    std::unique_ptr<ReportDesigner> designer(ReportDesigner::forCode(QStringLiteral("skd"), receipt()));
    EXPECT_EQ(designer->objectName(), QStringLiteral("ReportDesigner"));
    auto *browser = designer->findChild<QTextBrowser *>(QStringLiteral("previewBrowser"));
    auto *edit = designer->findChild<QPlainTextEdit *>(QStringLiteral("templateEdit"));
    auto *timer = designer->findChild<QTimer *>(QStringLiteral("renderTimer"));
    ASSERT_TRUE(browser && edit && timer);
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("单号SKD001")));

    // Typing re-renders after the pause.
    edit->setPlainText(QStringLiteral("<p>{{company.GSMC}} 客户{{header.KHMC}}{{#barcode}}{{header.ID}}{{/barcode}}</p>"));
    EXPECT_TRUE(timer->isActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !timer->isActive(); }, 3000));
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("禾岚婚庆摄影 客户李四")));
    EXPECT_FALSE(designer->status().contains(QStringLiteral("格式错误")));

    // A fault is reported in the status line; the last good preview stays.
    edit->setPlainText(QStringLiteral("<p>{{#lines}}"));
    designer->refresh();
    EXPECT_TRUE(designer->status().startsWith(QStringLiteral("格式错误")));
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("客户李四")));

    // Closing with unsaved edits asks; Cancel keeps the window.
    designer->show();
    prompt->answer(Prompt::Answer::Cancel);
    designer->close();
    EXPECT_TRUE(designer->isVisible());
    EXPECT_TRUE(prompt->saw(QStringLiteral("当前还没有保存，是否现在保存？")));

    // 保存 writes the template file itself.
    edit->setPlainText(QStringLiteral("<p>新格式{{header.ID}}</p>"));
    prompt->clear();
    QTest::mouseClick(designer->findChild<QPushButton *>(QStringLiteral("saveButton")), Qt::LeftButton);
    EXPECT_EQ(prompt->texts_shown(), QStringList{QStringLiteral("保存成功！")});
    EXPECT_EQ(readFile(ReportEngine::templatePath(QStringLiteral("SKD"))), QStringLiteral("<p>新格式{{header.ID}}</p>"));
    designer->close();
    EXPECT_FALSE(designer->isVisible());
}

TEST_F(PrintSequencesTest, DesignerForACodeWithoutFileGetsOne)
{
    Db::execSql(QStringLiteral("INSERT INTO gg_dj (DM, MC, DZ) VALUES ('NEW_X', '新格式', '')"));
    std::unique_ptr<ReportDesigner> designer(ReportDesigner::forCode(QStringLiteral("new_x"), ReportData()));
    EXPECT_EQ(designer->templateFile(), App::home().printFormatDir() + QStringLiteral("/new_x.html"));
    EXPECT_EQ(ReportEngine::templatePath(QStringLiteral("NEW_X")), designer->templateFile());
}

} // namespace
