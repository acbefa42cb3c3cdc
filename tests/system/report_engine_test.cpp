#include "support/pdf_text.h"
#include "support/temp_home.h"

#include "core/clock.h"
#include "core/db/database.h"
#include "core/home.h"
#include "core/session.h"
#include "system/report_data.h"
#include "system/report_engine.h"
#include "system/table_report.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>

namespace {

void writeFile(const QString &path, const QString &text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.toUtf8());
}

class ReportEngineTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        Clock::setFixed(QDateTime(QDate(2024, 5, 20), QTime(9, 30)));
        loginAs(QStringLiteral("000"));
    }

    // A receipt as the receipt window hands it over.
    ReportData receipt() const
    {
        ReportData d;
        d.header = {{"ID", "SKD2024052001"},
                    {"RQ", "2024-05-20 09:30:00"},
                    {"KHMC", "张三 <VIP>"},
                    {"SS", 350.5},
                    {"CS", QVariant(qlonglong(0))},
                    {"BZ", QVariant()}};
        d.lines = {{{"DJ_ID", "XSD001"}, {"ZJE", 1000.0}, {"BCSK", QVariant(qlonglong(200))}},
                   {{"DJ_ID", "XSD002"}, {"ZJE", 2.675}, {"BCSK", 150.5}}};
        d.loadCompany();
        d.setVariable(QStringLiteral("ksrq"), QDate(2024, 5, 1));
        return d;
    }
};

TEST_F(ReportEngineTest, RendersHeaderLinesCompanyAndVariablesFormattedAndRaw)
{
    const QString tmpl = QStringLiteral(
        "{{company.GSMC}}|{{header.ID}}|{{header.RQ}}|{{header.RQ_raw}}|{{header.KHMC}}|"
        "{{header.SS}}|{{header.SS_raw}}|{{header.CS}}|[{{header.BZ}}]|{{ksrq}}|{{_today}}|{{_user}}\n"
        "{{#lines}}<{{_no}}:{{DJ_ID}}={{BCSK}}/{{ZJE}}>{{/lines}}\n"
        "{{_count}} {{sum.BCSK}} {{sum.ZJE}}");
    const RenderResult r = ReportEngine::render(tmpl, receipt());
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const QStringList out = r.html.split(QLatin1Char('\n'));
    ASSERT_EQ(out.size(), 3);
    EXPECT_EQ(out[0], QStringLiteral("禾岚婚庆摄影|SKD2024052001|2024-05-20|2024-05-20 09:30:00|张三 &lt;VIP&gt;|"
                                     "350.50|350.5|0.00|[]|2024-05-01|2024-05-20|系统管理员"));
    // A whole amount in a money column still prints with cents; 2.675 rounds up.
    EXPECT_EQ(out[1], QStringLiteral("<1:XSD001=200.00/1000.00><2:XSD002=150.50/2.68>"));
    EXPECT_EQ(out[2], QStringLiteral("2 350.50 1002.68"));
}

TEST_F(ReportEngineTest, BuildsDataFromAQueryWithSchemaSpellingAndFormats)
{
    Db::execSql(QStringLiteral("INSERT INTO skd_mx (ID, DJLX, DJ_ID, RQ, ZJE, BCSK, BZ) VALUES (?, ?, ?, ?, ?, ?, ?)"),
            {"S1", "销售出库单", "X1", "2024-03-04 08:00:00", 1200, 99.9, "定金"});
    QSqlQuery q = Db::execSql(QStringLiteral("SELECT id, djlx, dj_id, rq, zje, bcsk, bz, 1 + 1 AS n FROM skd_mx"));
    const ReportData d = ReportData::fromQuery(q);
    ASSERT_EQ(d.lines.size(), 1);
    const RenderResult r = ReportEngine::render(
        QStringLiteral("{{#lines}}{{ID}} {{DJLX}} {{RQ}} {{ZJE}} {{BCSK}} {{BZ}} {{n}}{{/lines}}"), d);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.html, QStringLiteral("S1 销售出库单 2024-03-04 1200.00 99.90 定金 2"));

    QSqlQuery again = Db::execSql(QStringLiteral("SELECT DJ_ID, ZJE FROM skd_mx"));
    const TableData table = TableData::fromQuery(again);
    ASSERT_EQ(table.rows.size(), 1);
    EXPECT_EQ(table.rows[0], (QStringList{"X1", "1200.00"}));
    EXPECT_FALSE(table.columns[0].numeric);
    EXPECT_TRUE(table.columns[1].numeric);
}

TEST_F(ReportEngineTest, TemplateFaultsComeBackAsErrorText)
{
    const char *broken[] = {
        "{{#lines}}<tr>{{ID}}</tr>",     // section never closed
        "<p>{{/lines}}</p>",             // closed without opening
        "{{#lines}}{{/header}}",         // closed by the wrong name
        "<p>{{header.ID</p>",            // tag never closed
        "{{=<% %>=}}<%#lines%>",         // changed delimiters, unclosed section
    };
    for (const char *t : broken) {
        const RenderResult r = ReportEngine::render(QString::fromUtf8(t), receipt());
        EXPECT_FALSE(r.ok()) << t;
        EXPECT_TRUE(r.html.isEmpty()) << t;
    }
}

TEST_F(ReportEngineTest, BarcodeIsAPictureTheDocumentCanShow)
{
    const RenderResult r = ReportEngine::render(QStringLiteral("{{#barcode}}{{header.ID}}{{/barcode}}"), receipt());
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const QRegularExpression re(QStringLiteral("<img src=\"(data:image/png;base64,[A-Za-z0-9+/=]+)\""));
    const auto m = re.match(r.html);
    ASSERT_TRUE(m.hasMatch()) << r.html.left(200).toStdString();

    // The document loads the picture itself: nothing to register beside the HTML.
    auto doc = ReportEngine::createDocument(r.html);
    const QVariant res = doc->resource(QTextDocument::ImageResource, QUrl(m.captured(1)));
    QImage image;
    if (res.canConvert<QImage>())
        image = res.value<QImage>();
    if (image.isNull())
        image.loadFromData(res.toByteArray());
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(image.width(), image.height());

    // Text Code 128 cannot hold stays visible as text.
    ReportData d;
    d.header = {{"ID", "单号&1"}};
    const RenderResult text = ReportEngine::render(QStringLiteral("{{#barcode}}{{header.ID}}{{/barcode}}"), d);
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(text.html, QStringLiteral("单号&amp;1"));
}

TEST_F(ReportEngineTest, TemplateIsFoundByCodeInPrintFormatOnly)
{
    const QString dir = App::home().printFormatDir();
    writeFile(dir + QStringLiteral("/skd2.html"), QStringLiteral("<p>二号收款单</p>"));
    Db::execSql(QStringLiteral("INSERT INTO gg_dj (DM, MC, DZ) VALUES ('T_NODZ', '无文件', NULL)"));
    Db::execSql(QStringLiteral("INSERT INTO gg_dj (DM, MC, DZ) VALUES ('T_GONE', '丢失', 'gone.html')"));
    Db::execSql(QStringLiteral("INSERT INTO gg_dj (DM, MC, DZ) VALUES ('T_DIR', '别处', 'C:\\elsewhere\\skd2.html')"));
    Db::execSql(QStringLiteral("INSERT INTO gg_dj (DM, MC, DZ) VALUES ('T_UP', '上级', '../data/data.db')"));

    struct Case { const char *code; QString expected; };
    const Case cases[] = {
        {"t_dir", QStringLiteral("<p>二号收款单</p>")}, // folder of the choice does not count
        {"T_NODZ", QString()},
        {"T_GONE", QString()},
        {"NO_SUCH_CODE", QString()},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ReportEngine::loadTemplate(QString::fromLatin1(c.code)), c.expected) << c.code;
    }
    EXPECT_TRUE(ReportEngine::loadTemplate(QStringLiteral("skd")).contains(QStringLiteral("{{#lines}}")));
    EXPECT_EQ(ReportEngine::templatePath(QStringLiteral("T_UP")), dir + QStringLiteral("/data.db"));

    // An empty template is an empty page, not a fault.
    const RenderResult r = ReportEngine::render(ReportEngine::loadTemplate(QStringLiteral("T_GONE")), receipt());
    EXPECT_TRUE(r.ok());
    EXPECT_TRUE(r.html.isEmpty());
}

TEST_F(ReportEngineTest, DeliveredReceiptPrintsToPdfWithChineseText)
{
    const RenderResult r = ReportEngine::render(ReportEngine::loadTemplate(QStringLiteral("SKD")), receipt());
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const QString pdf = qEnvironmentVariable("KEEP_PDF_DIR").isEmpty() ? homePath(QStringLiteral("skd.pdf")) : qEnvironmentVariable("KEEP_PDF_DIR") + QStringLiteral("/skd.pdf");
    ASSERT_TRUE(ReportEngine::printToPdf(ReportEngine::documentJob(QStringLiteral("收款单"), r.html), pdf));
    const QString text = pdfText(pdf);
    for (const char *expected : {"禾岚婚庆摄影", "收款单", "SKD2024052001", "张三 <VIP>", "XSD002", "150.50",
                                 "合计", "350.50", "系统管理员", "2024-05-20"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
    EXPECT_TRUE(pdfInfo(pdf).contains(QStringLiteral("(A4)")));
}

TEST_F(ReportEngineTest, TableReportPaginatesWithHeaderRowAndPageFooters)
{
    TableData table;
    table.columns = {{"BM", "编码"}, {"MC", "名称"}, {"JE", "金额", true}, {"HIDDEN", "隐藏列", false, false}};
    for (int i = 1; i <= 120; ++i)
        table.rows.append({QStringLiteral("B%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("婚纱套系%1").arg(i),
                           QStringLiteral("%1.00").arg(i * 10), QStringLiteral("不应出现")});
    TablePrintOptions o;
    o.title = QStringLiteral("会员消费查询");
    o.pageHeader = QStringLiteral("五月份");
    o.pageFooter = QStringLiteral("2024-05-20");
    o.titleAlignment = 1;
    o.headerAlignment = 2;
    o.landscape = true;
    o.paper = 9;
    const PrintJob job = TableReport::job(table, o);
    EXPECT_EQ(job.decoration.footer, QStringLiteral("2024-05-20    第[PAGE#]页"));
    EXPECT_EQ(job.decoration.headerAlignment, Qt::AlignRight);
    EXPECT_TRUE(job.html.contains(QStringLiteral("<p align=\"center\"")));

    const QString pdf = qEnvironmentVariable("KEEP_PDF_DIR").isEmpty() ? homePath(QStringLiteral("table.pdf")) : qEnvironmentVariable("KEEP_PDF_DIR") + QStringLiteral("/table.pdf");
    ASSERT_TRUE(ReportEngine::printToPdf(job, pdf));
    const int pages = ReportEngine::pageCount(job);
    ASSERT_GE(pages, 2);
    const QString info = pdfInfo(pdf);
    const auto pagesLine = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    ASSERT_TRUE(pagesLine.hasMatch()) << info.toStdString();
    EXPECT_EQ(pagesLine.captured(1).toInt(), pages);
    const auto size = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts \\(A4\\)")).match(info);
    ASSERT_TRUE(size.hasMatch()) << info.toStdString();
    EXPECT_GT(size.captured(1).toDouble(), size.captured(2).toDouble()); // landscape

    const QString first = pdfText(pdf, 1, 1);
    const QString second = pdfText(pdf, 2, 2);
    EXPECT_TRUE(first.contains(QStringLiteral("会员消费查询")));
    EXPECT_TRUE(first.contains(QStringLiteral("2024-05-20    第1页")) || first.contains(QStringLiteral("2024-05-20 第1页")))
        << first.toStdString();
    EXPECT_TRUE(second.contains(QStringLiteral("第2页")));
    // Page header and column header on every page; the title only once; hidden columns never.
    EXPECT_TRUE(second.contains(QStringLiteral("五月份")));
    EXPECT_TRUE(second.contains(QStringLiteral("编码")));
    EXPECT_FALSE(second.contains(QStringLiteral("会员消费查询")));
    EXPECT_FALSE(pdfText(pdf).contains(QStringLiteral("不应出现")));
    EXPECT_TRUE(pdfText(pdf).contains(QStringLiteral("B120")));

    // Paper codes and alignment codes.
    EXPECT_EQ(TableReport::paperSize(8).id(), QPageSize::A3);
    EXPECT_EQ(TableReport::paperSize(9).id(), QPageSize::A4);
    EXPECT_EQ(TableReport::alignment(0), Qt::AlignLeft);
    EXPECT_EQ(TableReport::alignment(1), Qt::AlignHCenter);
    EXPECT_EQ(TableReport::alignment(7), Qt::AlignRight);
    EXPECT_EQ(TableReport::footerText(QString()), QStringLiteral("第[PAGE#]页"));
}

TEST_F(ReportEngineTest, TemplateChoosesItsPaper)
{
    struct Case { const char *html; QPageSize::PageSizeId id; QPageLayout::Orientation o; };
    const Case cases[] = {
        {"<p>x</p>", QPageSize::A4, QPageLayout::Portrait},
        {"<meta name=\"paper\" content=\"A5\"><meta name=\"orientation\" content=\"landscape\">", QPageSize::A5,
         QPageLayout::Landscape},
        {"<meta name='paper' content='a3'>", QPageSize::A3, QPageLayout::Portrait},
        {"<meta name=\"paper\" content=\"nonsense\">", QPageSize::A4, QPageLayout::Portrait},
    };
    for (const Case &c : cases) {
        const QPageLayout l = ReportEngine::pageLayoutFor(QString::fromUtf8(c.html));
        EXPECT_EQ(l.pageSize().id(), c.id) << c.html;
        EXPECT_EQ(l.orientation(), c.o) << c.html;
    }
    const QPageLayout custom = ReportEngine::pageLayoutFor(QStringLiteral("<meta name=\"paper\" content=\"241x140\">"));
    EXPECT_NEAR(custom.pageSize().size(QPageSize::Millimeter).width(), 241, 0.5);
    EXPECT_NEAR(custom.pageSize().size(QPageSize::Millimeter).height(), 140, 0.5);
}

} // namespace
