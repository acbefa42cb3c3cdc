#include "support/pdf_text.h"
#include "support/temp_home.h"
#include "support/workbook_reader.h"

#include "core/clock.h"
#include "core/db/database.h"
#include "core/db/query_result.h"
#include "core/db/record_set.h"
#include "system/report_engine.h"
#include "system/ui/print_format_window.h"
#include "system/ui/print_sequences.h"
#include "ui/app_events.h"
#include "ui/grid_filter.h"
#include "ui/grid_footer.h"
#include "ui/query_window.h"
#include "ui/row_model.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

// Orders with their lines summed per order, the customer's name from the
// member list: a JOIN and a SUM over two tables, a date range, a state flag.
QuerySpec orderQuery()
{
    QuerySpec q;
    q.objectName = "Txsd_cx";
    q.caption = "订单查询";
    q.defaultDays = 30;
    q.flags = {{"audited", "已审核"}};
    q.sql = [](const QueryParams &p) {
        QueryText t;
        t.sql = "SELECT z.ID, z.RQ, k.MC AS KHMC, COUNT(m.SPBM) AS HS, SUM(m.JE) AS JE "
                "FROM xsd_zb z JOIN xsd_mx m ON m.ID = z.ID LEFT JOIN bm_kh k ON k.BM = z.KHBM "
                "WHERE z.RQ >= ? AND z.RQ < ?";
        t.binds = {p.from.toString(Qt::ISODate), p.to.addDays(1).toString(Qt::ISODate)};
        if (p.flag("audited")) {
            t.sql += " AND z.SH = ?";
            t.binds << "T";
        }
        t.sql += " GROUP BY z.ID, z.RQ, k.MC ORDER BY z.ID";
        return t;
    };
    q.fields = {{"HS", Schema::Type::Integer, 0}};
    GridColumn id = GridColumn::of("ID", "单号", 120);
    id.footer = FooterKind::Count;
    id.footerLabel = "共";
    GridColumn day = GridColumn::of("RQ", "日期", 90);
    day.format = "yyyy-MM-dd";
    GridColumn amount = GridColumn::of("JE", "金额", 90);
    amount.format = "0.00";
    amount.footer = FooterKind::Sum;
    amount.footerLabel = "合计：";
    q.columns = {id, day, GridColumn::of("KHMC", "客户", 100), GridColumn::of("HS", "行数", 60), amount};
    q.printCode = "bb_skd";
    q.targetWindow = "Txsd";
    q.numberField = "ID";
    return q;
}

class QueryWindowTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        Clock::setFixed(QDateTime(QDate(2024, 5, 20), QTime(9, 0)));
        Db::execSql("UPDATE bm_yg SET qxqt = 'QX-18,' WHERE BM = '000'");
        loginAs("000");
        Db::execSql("INSERT INTO bm_kh (BM, MC) VALUES ('K1', '张三'), ('K2', '李四')");
        Db::execSql("INSERT INTO xsd_zb (ID, RQ, KHBM, SH) VALUES ('X001', '2024-05-01 10:00:00', 'K1', 'T'), "
                    "('X002', '2024-05-20 18:30:00', 'K2', 'F'), ('X003', '2024-03-01', 'K1', 'T')");
        Db::execSql("INSERT INTO xsd_mx (ID, SPBM, JE) VALUES ('X001', 'P1', 100.10), ('X001', 'P2', 200.20), "
                    "('X002', 'P1', 0.1), ('X002', 'P3', 0.2), ('X003', 'P1', 999)");
        output = std::make_unique<RecordingPrintOutput>(homePath());
        installPrintOutput(output.get());
    }
    void TearDown() override
    {
        delete window.data();
        installPrintOutput(nullptr);
        output.reset();
        Clock::clearFixed();
        TempHome::TearDown();
    }

    QueryWindow *open()
    {
        window = new QueryWindow(orderQuery());
        window->show();
        return window;
    }
    template <class W> W *child(const char *name) const
    {
        W *w = window->findChild<W *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString footer(const char *field) const
    {
        return window->footer()->text(window->model()->columnOf(field));
    }
    QStringList shownIds() const
    {
        QStringList ids;
        const QAbstractItemModel *shown = window->filterModel();
        for (int r = 0; r < shown->rowCount(); ++r)
            ids << shown->index(r, 0).data().toString();
        return ids;
    }
    static void useTemplate(const QString &text) { writeTextFile(ReportEngine::templatePath("bb_skd"), text); }

    std::unique_ptr<RecordingPrintOutput> output;
    QPointer<QueryWindow> window;
};

} // namespace

TEST_F(QueryWindowTest, QueriesTheDateRangeAndFlagsAndSumsTheRowsInSight)
{
    open();
    EXPECT_EQ(window->objectName(), "Txsd_cx");
    EXPECT_EQ(window->windowTitle(), "订单查询");
    EXPECT_EQ(child<QDateEdit>("fromDate")->date(), QDate(2024, 4, 20));
    EXPECT_EQ(child<QDateEdit>("toDate")->date(), QDate(2024, 5, 20));
    QAbstractItemModelTester tester(window->filterModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);

    // Run on opening: the two orders of the last 30 days, the last one late on the last day.
    EXPECT_EQ(shownIds(), QStringList({"X001", "X002"}));
    const RowModel *model = window->model();
    EXPECT_EQ(model->index(0, model->columnOf("KHMC")).data().toString(), "张三");
    EXPECT_EQ(model->index(0, model->columnOf("JE")).data().toString(), "300.30");
    EXPECT_EQ(model->index(1, model->columnOf("JE")).data().toString(), "0.30");
    EXPECT_EQ(model->index(0, model->columnOf("HS")).data(RowModel::RawValueRole), QVariant(qlonglong(2)));
    EXPECT_EQ(model->index(0, model->columnOf("RQ")).data().toString(), "2024-05-01");
    EXPECT_EQ(footer("ID"), "共2");
    EXPECT_EQ(footer("JE"), "合计：300.60");

    // A state flag changes the SELECT.
    child<QCheckBox>("audited")->setChecked(true);
    child<QPushButton>("queryButton")->click();
    EXPECT_EQ(shownIds(), QStringList({"X001"}));
    EXPECT_EQ(footer("JE"), "合计：300.30");

    child<QCheckBox>("audited")->setChecked(false);
    child<QDateEdit>("fromDate")->setDate(QDate(2024, 1, 1));
    child<QPushButton>("queryButton")->click();
    EXPECT_EQ(shownIds(), QStringList({"X001", "X002", "X003"}));
    EXPECT_EQ(footer("JE"), "合计：1299.60");

    // The quick filter searches the loaded rows; the footer follows it.
    auto *filter = child<QLineEdit>("filterBox");
    filter->setText("张三");
    EXPECT_EQ(shownIds(), QStringList({"X001", "X003"}));
    EXPECT_EQ(footer("ID"), "共2");
    EXPECT_EQ(footer("JE"), "合计：1299.30");
    filter->setText("0.30");
    EXPECT_EQ(shownIds(), QStringList({"X001", "X002"})); // "300.30" and "0.30" as shown
    // A new query keeps the filter on its rows.
    child<QPushButton>("queryButton")->click();
    EXPECT_EQ(shownIds(), QStringList({"X001", "X002"}));
}

TEST_F(QueryWindowTest, ExportWritesTheRowsInSightAsTypedCells)
{
    open();
    child<QLineEdit>("filterBox")->setText("李四");
    const QString file = homePath("orders.xlsx");
    prompt->chooseFile(file);
    child<QPushButton>("exportButton")->click();
    EXPECT_TRUE(prompt->shown.empty()) << prompt->last().toStdString();

    const Workbook wb = readWorkbook(file);
    EXPECT_EQ(wb.at("A1").value, "订单查询");
    QStringList labels;
    for (const char *ref : {"A2", "B2", "C2", "D2", "E2"})
        labels << wb.at(ref).value;
    EXPECT_EQ(labels, QStringList({"单号", "日期", "客户", "行数", "金额"}));
    EXPECT_EQ(wb.rowNumbers, (QList<int>{1, 2, 3})); // only the row in sight
    struct Expect
    {
        const char *ref;
        bool isText;
        const char *value;
        const char *format;
    };
    const Expect expected[] = {
        {"A3", true, "X002", "@"},
        {"B3", false, "45432.770833333336", "yyyy.mm.dd"}, // a date, its time kept as the fraction
        {"C3", true, "李四", "@"},
        {"D3", false, "2", "0_ "},
        {"E3", false, "0.3", "0.00"},
    };
    for (const Expect &e : expected) {
        ASSERT_TRUE(wb.has(e.ref)) << e.ref;
        const Workbook::Cell &c = wb.at(e.ref);
        EXPECT_EQ(c.isText, e.isText) << e.ref;
        if (e.isText)
            EXPECT_EQ(c.value, QString::fromUtf8(e.value)) << e.ref;
        else
            EXPECT_NEAR(c.value.toDouble(), QString(e.value).toDouble(), 1e-6) << e.ref;
        EXPECT_EQ(c.numFormat, e.format) << e.ref;
    }
}

TEST_F(QueryWindowTest, PrintsThroughTheTemplateOrFallsBackToThePlainTable)
{
    open();
    child<QLineEdit>("filterBox")->setText("张三");
    useTemplate("<p>{{ksrq}}～{{jsrq}}{{#lines}} {{ID}}={{JE}}{{/lines}}</p>");
    child<QPushButton>("printButton")->click();
    ASSERT_EQ(output->entries.size(), 1u);
    EXPECT_TRUE(output->entries[0].job.html.contains("2024-04-20～2024-05-20 X001=300.30</p>"))
        << output->entries[0].job.html.toStdString();
    EXPECT_EQ(prompt->texts_shown(), QStringList{"打印成功"});

    // A broken template: the grid's rows in sight as a plain table, silently.
    output->entries.clear();
    prompt->clear();
    useTemplate("<p>{{#lines}}{{ID}}</p>");
    child<QLineEdit>("filterBox")->clear();
    child<QPushButton>("printButton")->click();
    ASSERT_EQ(output->entries.size(), 1u);
    EXPECT_TRUE(prompt->shown.empty());
    const RecordingPrintOutput::Entry &e = output->entries[0];
    EXPECT_EQ(e.job.layout.orientation(), QPageLayout::Landscape);
    ASSERT_FALSE(e.pdf.isEmpty());
    const QString text = pdfText(e.pdf);
    for (const char *expected : {"订单查询", "单号", "金额", "X001", "2024-05-20", "李四", "300.30", "0.30"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
}

TEST_F(QueryWindowTest, DoubleClickAsksForTheDocumentOfTheRow)
{
    open();
    QSignalSpy requests(&AppEvents::instance(), &AppEvents::openDocument);
    child<QLineEdit>("filterBox")->setText("李四");
    QTableView *grid = window->view();
    const QModelIndex cell = grid->model()->index(0, 2);
    const QPoint at = grid->visualRect(cell).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0][0].toString(), "Txsd");
    EXPECT_EQ(requests[0][1].toString(), "X002");
}

TEST_F(QueryWindowTest, DesignOpensThePrintFormatOfTheQuery)
{
    open();
    bool seen = false;
    auto *timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, timer, [&seen, timer] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *formats = qobject_cast<TGG_DJ *>(w); formats && formats->isVisible()) {
                timer->stop();
                timer->deleteLater();
                seen = true;
                EXPECT_EQ(formats->records().rowCount(), 1);
                EXPECT_EQ(formats->records().value(0, "DM").toString().toLower(), "bb_skd");
                EXPECT_EQ(formats->designerData().lines.size(), 2); // the rows in sight as sample
                formats->close();
                return;
            }
    });
    timer->start();
    child<QPushButton>("designButton")->click();
    EXPECT_TRUE(seen);
}
