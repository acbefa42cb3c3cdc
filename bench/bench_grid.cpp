// The grid window family with a large member list: loading the rows into the
// record set and its model, opening the window, filtering by typed text and
// saving one edited row. The rows come from the large-dataset generator in a
// fresh home (HELAN_BENCH_MEMBERS rows, 300 000 unless set). Run on the
// offscreen platform; every figure is wall time.
//
// The machine is shared and noisy, so the run first times the nearest raw
// baseline, a plain SQLite scan of the same rows (prepare and step over the
// same SELECT, every column read), and prints each figure's ratio to it
// ("x_raw").
#include "bench_support.h"
#include "large_dataset.h"

#include "core/db/database.h"
#include "core/prompt.h"
#include "core/db/record_set.h"
#include "ui/grid_window.h"
#include "ui/row_model.h"


#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <memory>

namespace {

int g_members = 300000;
int g_rows = 0; // rows of bm_kh: the generated members and the delivered walk-in customer

// The member list as the member window shows it: 17 visible columns, two hidden.
GridSpec members()
{
    GridSpec s;
    s.table = QStringLiteral("bm_kh");
    s.order = {{QStringLiteral("BM")}};
    s.keyColumn = QStringLiteral("BM");
    auto col = [&s](const char *field, const char *title, const char *format = "", bool hidden = false) {
        GridColumn c;
        c.field = QString::fromLatin1(field);
        c.title = QString::fromUtf8(title);
        c.format = QString::fromLatin1(format);
        c.hidden = hidden;
        s.columns.push_back(c);
    };
    col("BM", "会员编号");
    col("MC", "姓名");
    col("KH", "卡号");
    col("XB", "性别");
    col("DH", "电话");
    col("SR", "公历生日", "yyyy-MM-dd");
    col("HQ", "婚期", "yyyy-MM-dd");
    col("DW", "单位");
    col("DZ", "地址");
    col("JB", "级别");
    col("ZK", "折扣", "0.00");
    col("ZJF", "总积分", "0");
    col("SYJF", "剩余积分", "0");
    col("LJXF", "累计消费", "#0.00");
    col("ZHYE", "账户余额", "#0.00");
    col("RQ", "入会日期", "yyyy-MM-dd");
    col("TSJ", "特价");
    col("JP", "简拼", "", true);
    col("JG", "价格", "", true);
    return s;
}

class MemberWindow : public GridWindow
{
public:
    MemberWindow() : GridWindow(QStringLiteral("会员资料"), members())
    {
        setObjectName(QStringLiteral("TBM_KH"));
        load(); // as showing it would
    }
};

// The raw baseline: the SELECT the record set runs, straight through SQLite.
void RawSqliteScan(benchmark::State &state)
{
    BenchSupport::rawScan(state, QByteArrayLiteral("SELECT * FROM bm_kh ORDER BY BM"));
}
BENCHMARK(RawSqliteScan)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void LoadRecordSet(benchmark::State &state)
{
    RecordSet set(members());
    set.load(); // warm: the file is in the page cache and the allocator has seen the rows
    for (auto _ : state) {
        if (!set.load()) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(set.rowCount());
    }
    state.counters["rows"] = set.rowCount();
}
BENCHMARK(LoadRecordSet)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void LoadRecordSetAndModel(benchmark::State &state)
{
    RecordSet set(members());
    RowModel model(&set);
    set.load();
    for (auto _ : state) {
        if (!set.load()) {
            state.SkipWithError("load failed");
            break;
        }
        BenchSupport::readFirstScreen(model);
    }
    state.counters["rows"] = model.rowCount();
}
BENCHMARK(LoadRecordSetAndModel)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The whole window: record set, model, filter proxy, view and header.
void OpenGridWindow(benchmark::State &state)
{
    for (auto _ : state) {
        auto window = std::make_unique<MemberWindow>();
        BenchSupport::readFirstScreen(*window->filterModel());
        const bool complete = window->filterModel()->rowCount() == g_rows;
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
        if (!complete) {
            state.SkipWithError("rows missing");
            break;
        }
    }
}
BENCHMARK(OpenGridWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// One keystroke in the filter box until the grid shows its rows. The first
// keystroke after a load is measured apart, as it may prepare what later ones use.
void typeInto(QLineEdit *box, const QString &text, const QAbstractItemModel &shown)
{
    box->setText(text);
    // The grid waits for typing to pause; a benchmark does not.
    QApplication::sendPostedEvents();
    QApplication::processEvents(QEventLoop::AllEvents, 0);
    BenchSupport::readFirstScreen(shown);
}

void FilterFirstKeystroke(benchmark::State &state)
{
    MemberWindow window;
    auto *box = window.findChild<QLineEdit *>(QStringLiteral("filterBox"));
    for (auto _ : state) {
        state.PauseTiming();
        box->clear();
        window.reload();
        state.ResumeTiming();
        typeInto(box, QStringLiteral("王"), *window.filterModel());
    }
    state.counters["shown"] = window.filterModel()->rowCount();
}
BENCHMARK(FilterFirstKeystroke)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// A cell as the grid showed it before searching kept its texts: every date
// parsed, every number through QString::number. The benchmark compares the
// quick filter with a search made this way.
QString referenceShown(const RowModel &model, int row, int column)
{
    const RowSource &set = *model.source();
    const int field = model.fieldOf(column);
    const QVariant v = set.value(row, field);
    if (v.isNull())
        return {};
    const QString &format = model.column(column).format;
    switch (set.fieldType(field)) {
    case Schema::Type::Text:
        return v.toString();
    case Schema::Type::Bool:
        return {};
    case Schema::Type::Integer:
        return QString::number(v.toLongLong());
    case Schema::Type::Decimal: {
        const int dot = format.indexOf(QLatin1Char('.'));
        int decimals = format.isEmpty() ? -1 : 0;
        for (int i = dot + 1; dot >= 0 && i < format.size() && (format[i] == u'0' || format[i] == u'#'); ++i)
            ++decimals;
        return decimals < 0 ? QString::number(v.toDouble(), 'g', 15) : QString::number(v.toDouble(), 'f', decimals);
    }
    case Schema::Type::DateTime: {
        const QString text = v.toString();
        QDateTime dt = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!dt.isValid())
            dt = QDateTime::fromString(text, Qt::ISODate);
        if (!dt.isValid() && QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd")).isValid())
            dt = QDateTime(QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd")), QTime(0, 0));
        if (!dt.isValid())
            return text;
        if (!format.isEmpty())
            return dt.toString(format);
        return dt.toString(text.size() > 10 ? QStringLiteral("yyyy-MM-dd HH:mm:ss") : QStringLiteral("yyyy-MM-dd"));
    }
    }
    return {};
}

// Whether the grid shows exactly the rows a plain search finds, on a sample of rows.
bool filterMatchesReference(MemberWindow &window, QLineEdit *box, const QStringList &texts)
{
    const RowModel &model = *window.model();
    for (const QString &text : texts) {
        typeInto(box, text, *window.filterModel());
        for (int row = 0; row < model.rowCount(); row += 97) {
            bool expected = false;
            for (int c = 0; c < model.columnCount() && !expected; ++c)
                expected = !model.column(c).hidden && referenceShown(model, row, c).contains(text, Qt::CaseInsensitive);
            if (window.filterModel()->mapFromSource(model.index(row, 0)).isValid() != expected) {
                std::fprintf(stderr, "filter \"%s\" differs on row %d\n", qPrintable(text), row);
                return false;
            }
        }
    }
    return true;
}

void FilterKeystroke(benchmark::State &state)
{
    MemberWindow window;
    auto *box = window.findChild<QLineEdit *>(QStringLiteral("filterBox"));
    if (!filterMatchesReference(window, box,
                                {QStringLiteral("138"), QStringLiteral("王芳"), QStringLiteral("c0001"),
                                 QStringLiteral("2020-05"), QStringLiteral("0.95"), QStringLiteral(".5"),
                                 QStringLiteral("VIP"), QStringLiteral("k00012")})) {
        state.SkipWithError("the filter shows other rows than a plain search");
        return;
    }
    typeInto(box, QStringLiteral("x"), *window.filterModel());
    // Typing a phone number, a name and a date, each followed by clearing the box.
    const QStringList keystrokes = {QStringLiteral("1"),   QStringLiteral("13"),     QStringLiteral("138"),
                                    QStringLiteral("1380"), QStringLiteral(""),      QStringLiteral("王"),
                                    QStringLiteral("王芳"), QStringLiteral(""),      QStringLiteral("2020-"),
                                    QStringLiteral("2020-05"), QStringLiteral("")};
    qsizetype i = 0;
    for (auto _ : state) {
        typeInto(box, keystrokes.at(i), *window.filterModel());
        i = (i + 1) % keystrokes.size();
    }
}
BENCHMARK(FilterKeystroke)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// One name typed into a row in the middle of the list, then "保存".
void EditOneRowAndSave(benchmark::State &state)
{
    MemberWindow window;
    RowModel *model = window.model();
    const int row = model->rowCount() / 2;
    const QModelIndex name = model->index(row, model->columnOf(QStringLiteral("MC")));
    int n = 0;
    for (auto _ : state) {
        if (!model->setData(name, QStringLiteral("测试%1").arg(++n))) {
            state.SkipWithError("edit refused");
            break;
        }
        if (!window.save()) {
            state.SkipWithError("save failed");
            break;
        }
    }
}
BENCHMARK(EditOneRowAndSave)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (const int n = qEnvironmentVariableIntValue("HELAN_BENCH_MEMBERS"); n > 0)
        g_members = n;

    BenchSupport::AnsweringPrompt silent(Prompt::Answer::No);
    installPrompt(&silent);
    LargeDataset::FreshHome home;
    if (!home.isOpen()) {
        std::fprintf(stderr, "cannot open a fresh home: %s\n", qPrintable(home.error()));
        return 1;
    }
    LargeDataset::Options options;
    options.members = g_members;
    options.products = 20000;
    options.orders = 20000;
    QElapsedTimer t;
    t.start();
    QString error;
    if (!LargeDataset::generate(options, &error)) {
        std::fprintf(stderr, "cannot generate the data set: %s\n", qPrintable(error));
        return 1;
    }
    g_rows = Db::scalarSql(QStringLiteral("SELECT COUNT(*) FROM bm_kh")).toInt();
    const QString dataset = QStringLiteral("%1 members, %2 products, %3 orders × %4 lines, generated in %5 ms")
                                .arg(options.members)
                                .arg(options.products)
                                .arg(options.orders)
                                .arg(options.linesPerOrder)
                                .arg(t.elapsed());
    benchmark::AddCustomContext("dataset", dataset.toStdString());
    BenchSupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
