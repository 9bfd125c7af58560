// The mirror folder on the largest diary, in-process through the main window on the
// offscreen platform: the first mirror from nothing (36,525 files, written away from the
// window's thread while it goes on), a pass with nothing changed, and a save with its
// day's file.
//
//   bench_mirror --diary=LARGEST.mdb [benchmark flags]
//
// Goals: from nothing ≤ 30 s without blocking the window, a pass with nothing changed
// ≤ 200 ms, a save's file ≤ 50 ms after the save.

#include "BenchSession.h"
#include "FakePlatform.h"
#include "GapMeter.h"
#include "MirrorKeeper.h"
#include "MirrorNames.h"
#include "Program.h"
#include "fmTxt.h"
#include "uTxA.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>

using namespace drv;

namespace {

bench::BenchSession* g_session = nullptr;
QString g_largest;
QString g_folder; // the mirror folder of the one window all benchmarks share
fmTxt* g_window = nullptr;

bool mirrored(benchmark::State& state)
{
    if (g_window && g_window->mirrorKeeper()->isOn()) return true;
    state.SkipWithError("run FromNothing first");
    return false;
}

int filesIn(const QString& folder)
{
    int n = 0;
    for (const QString& y : QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        n += int(QDir(folder + u'/' + y).entryList(QDir::Files).size());
    return n;
}

void BM_FromNothing(benchmark::State& state)
{
    if (!g_session->useDiary(g_largest)) {
        state.SkipWithError("diary missing: give --diary=");
        return;
    }
    g_window = g_session->openWindow();
    if (!g_window) {
        state.SkipWithError("the main window did not start");
        return;
    }
    mirror::MirrorKeeper* keeper = g_window->mirrorKeeper();
    bench::GapMeter meter;
    qint64 gap = 0;
    for (auto _ : state) {
        gap = meter.around([&] {
            keeper->turnOn(g_folder);
            // The window goes on while the files are written; its events run meanwhile.
            while (keeper->busy())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        });
    }
    state.counters["files"] = filesIn(g_folder);
    state.counters["longest_gap_ms"] = double(gap);
    if (filesIn(g_folder) < 36000) state.SkipWithError("the mirror holds too few files");
}

void BM_PassNothingChanged(benchmark::State& state)
{
    if (!mirrored(state)) return;
    mirror::MirrorKeeper* keeper = g_window->mirrorKeeper();
    for (auto _ : state)
        if (!keeper->passNow()) state.SkipWithError("the pass failed");
}

void BM_SaveWithItsFile(benchmark::State& state)
{
    if (!mirrored(state)) return;
    const QString file = g_folder + u'/' + mirror::dayFilePath(g_session->machine().date);
    int n = 0;
    for (auto _ : state) {
        g_window->vTTL->setText(QStringLiteral("雪 %1").arg(++n));
        g_window->Modified = true;
        if (!g_window->SaveEntry(false)) state.SkipWithError("the save failed");
    }
    if (!QFileInfo(file).isFile() || !QFileInfo(file).lastModified().isValid())
        state.SkipWithError("the save wrote no file");
}

QtMessageHandler g_standardMessages = nullptr;

void quieterMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (text.startsWith(QLatin1String("This plugin does not support"))) return;
    if (g_standardMessages) g_standardMessages(type, context, text);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--diary=", 8) == 0)
            g_largest = QFile::decodeName(argv[i] + 8);
        else
            rest.push_back(argv[i]);
    }
    QTemporaryDir scratch;
    bench::isolateHome(scratch.path());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    g_standardMessages = qInstallMessageHandler(quieterMessages);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    installFontSubstitutes();
    g_folder = scratch.path() + QStringLiteral("/Sync/diary");

    bench::BenchSession session;
    g_session = &session;
    benchmark::RegisterBenchmark("Mirror/FromNothing", BM_FromNothing)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1);
    benchmark::RegisterBenchmark("Mirror/PassNothingChanged", BM_PassNothingChanged)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("Mirror/SaveWithItsFile", BM_SaveWithItsFile)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    int benchArgc = int(rest.size());
    benchmark::Initialize(&benchArgc, rest.data());
    if (benchmark::ReportUnrecognizedArguments(benchArgc, rest.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    session.closeWindow();
    return 0;
}
