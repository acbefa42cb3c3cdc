// The master-data windows on a large data set: 会员资料 (TBM_KH) opened, filtered,
// one row edited and saved, 简拼 regenerated for every member; the customer
// picker (Txzkh) opened. The rows come from the large-dataset generator in a
// fresh home (HELAN_BENCH_MEMBERS members, 100 000 unless set; 20 000 products).
// Run on the offscreen platform; every figure is wall time.
//
// The machine is shared and noisy, so the run first times a raw SQLite scan of
// the member rows (prepare and step over every column) and prints each
// figure's ratio to it ("x_raw").
#include "bench_support.h"
#include "large_dataset.h"

#include "core/db/database.h"
#include "core/db/record_set.h"
#include "core/prompt.h"
#include "masterdata/ui/customer_picker.h"
#include "masterdata/ui/member_window.h"
#include "ui/grid_filter.h"
#include "ui/row_model.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSortFilterProxyModel>

namespace {

int g_members = 100000;

void settle()
{
    QApplication::sendPostedEvents();
    QApplication::processEvents(QEventLoop::AllEvents, 0);
}

void RawSqliteScan(benchmark::State &state)
{
    BenchSupport::rawScan(state, QByteArrayLiteral("SELECT * FROM bm_kh ORDER BY BM"));
}
BENCHMARK(RawSqliteScan)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// 会员资料 from its menu entry until its first screen is drawn.
void OpenMemberWindow(benchmark::State &state)
{
    for (auto _ : state) {
        auto *window = new TBM_KH;
        window->show();
        settle();
        BenchSupport::readFirstScreen(*window->filterModel());
        state.PauseTiming();
        delete window;
        state.ResumeTiming();
    }
}
BENCHMARK(OpenMemberWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void MemberFilterKeystroke(benchmark::State &state)
{
    TBM_KH window;
    window.show();
    settle();
    auto *box = window.findChild<QLineEdit *>(QStringLiteral("filterBox"));
    const QStringList texts = {QStringLiteral("王"), QStringLiteral("王芳"), QStringLiteral("138"),
                               QStringLiteral("ZS"), QString()};
    int i = 0;
    for (auto _ : state) {
        box->setText(texts[i++ % texts.size()]);
        settle();
        BenchSupport::readFirstScreen(*window.filterModel());
    }
}
BENCHMARK(MemberFilterKeystroke)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void MemberEditOneRowAndSave(benchmark::State &state)
{
    TBM_KH window;
    window.show();
    settle();
    RowModel *model = window.model();
    const QModelIndex name = model->index(model->rowCount() / 2, model->columnOf(QStringLiteral("BZ")));
    int n = 0;
    for (auto _ : state) {
        if (!model->setData(name, QStringLiteral("备注%1").arg(++n)) || !window.save()) {
            state.SkipWithError("edit or save failed");
            break;
        }
    }
}
BENCHMARK(MemberEditOneRowAndSave)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

// 简拼[&J] over every member, progress window included; the initials stay pending.
void MemberPinyinAll(benchmark::State &state)
{
    TBM_KH window;
    window.show();
    settle();
    for (auto _ : state) {
        state.PauseTiming();
        window.reload();
        state.ResumeTiming();
        window.regeneratePinyin();
        settle();
    }
}
BENCHMARK(MemberPinyinAll)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The customer picker as a caller opens it: its rows read afresh and shown.
void OpenCustomerPicker(benchmark::State &state)
{
    Txzkh picker;
    for (auto _ : state) {
        if (!picker.reload()) {
            state.SkipWithError("load failed");
            break;
        }
        picker.show();
        settle();
        BenchSupport::readFirstScreen(*picker.filterModel());
        picker.hide();
    }
}
BENCHMARK(OpenCustomerPicker)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

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

    // 简拼 asks before it starts.
    BenchSupport::AnsweringPrompt yes(Prompt::Answer::Yes);
    installPrompt(&yes);
    LargeDataset::FreshHome home;
    if (!home.isOpen()) {
        std::fprintf(stderr, "cannot open a fresh home: %s\n", qPrintable(home.error()));
        return 1;
    }
    LargeDataset::Options options;
    options.members = g_members;
    options.products = 20000;
    QElapsedTimer t;
    t.start();
    QString error;
    if (!LargeDataset::generate(options, &error)) {
        std::fprintf(stderr, "cannot generate the data set: %s\n", qPrintable(error));
        return 1;
    }
    benchmark::AddCustomContext("dataset", QStringLiteral("%1 members, %2 products, generated in %3 ms")
                                               .arg(options.members)
                                               .arg(options.products)
                                               .arg(t.elapsed())
                                               .toStdString());
    BenchSupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
