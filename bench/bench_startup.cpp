// Start-up to the login window: the program is started on a prepared home
// folder (warm: the delivered database already exists) and leaves as soon as
// its login window is on screen. Run on the offscreen platform.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace {
int startOnce(const QString &home)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HELAN_HOME"), home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HELAN_LEAVE_AT_LOGIN"), QStringLiteral("1"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(HELAN_EXE), {});
    p.waitForFinished(30000);
    return p.exitCode();
}

void StartupToLogin(benchmark::State &state)
{
    QTemporaryDir home;
    startOnce(home.path()); // fills the new home; later starts are warm
    for (auto _ : state)
        if (startOnce(home.path()) != 0)
            state.SkipWithError("the program did not reach its login window");
}
BENCHMARK(StartupToLogin)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

void FirstStartOnNewHome(benchmark::State &state)
{
    for (auto _ : state) {
        QTemporaryDir home;
        if (startOnce(home.path()) != 0)
            state.SkipWithError("the program did not reach its login window");
    }
}
BENCHMARK(FirstStartOnNewHome)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
