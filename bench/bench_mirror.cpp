// The mirror folder on the largest diary, in-process through the main window on the
// offscreen platform: the first mirror from nothing (the diary read and 36,525 files
// written on the pass's own thread while the window goes on), a pass with nothing changed
// (after one that settles the first mirror's fresh files), and a save with its day's file.
// The counter longest_gap_ms is the longest time the window's events waited.
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

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>

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

// Runs the window's events until the keeper's pass is over, as the window would.
void untilIdle(mirror::MirrorKeeper* keeper)
{
    while (keeper->busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

int filesIn(const QString& folder)
{
    int n = 0;
    for (const QString& y : QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        n += int(QDir(folder + u'/' + y).entryList(QDir::Files).size());
    return n;
}

// Turns the window's mirror on, as timed iterations, running the window's events until
// the pass is over (the window goes on while the diary is read and the files written);
// longest_gap_ms is the longest wait of the window's events.
void turnOnTimed(benchmark::State& state)
{
    mirror::MirrorKeeper* keeper = g_window->mirrorKeeper();
    bench::GapMeter meter;
    qint64 gap = 0;
    for (auto _ : state) {
        gap = meter.around([&] {
            keeper->turnOn(g_folder);
            untilIdle(keeper);
        });
    }
    state.counters["longest_gap_ms"] = double(gap);
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
    turnOnTimed(state);
    state.counters["files"] = filesIn(g_folder);
    if (filesIn(g_folder) < 36000) state.SkipWithError("the mirror holds too few files");
}

void BM_PassNothingChanged(benchmark::State& state)
{
    if (!mirrored(state)) return;
    mirror::MirrorKeeper* keeper = g_window->mirrorKeeper();
    // Files written less than two seconds before a pass are read again by it, once: the
    // first mirror's are settled by one pass after that.
    untilIdle(keeper);
    QEventLoop settle;
    QTimer::singleShot(2500, &settle, &QEventLoop::quit);
    settle.exec();
    keeper->passNow();
    untilIdle(keeper);
    bench::GapMeter meter;
    qint64 gap = 0;
    for (auto _ : state) {
        gap = std::max(gap, meter.around([&] {
            if (!keeper->passNow()) state.SkipWithError("the pass did not start");
            untilIdle(keeper);
        }));
    }
    state.counters["longest_gap_ms"] = double(gap);
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

// Another machine: an empty diary of its own takes the first one's mirror folder and
// reads its 36,525 files in (the link confirmed, as the scripted dialogs do). The
// counter longest_gap_ms tells whether the diary's one transaction held the window.
void BM_LinkIntoEmpty(benchmark::State& state)
{
    if (!mirrored(state)) return;
    untilIdle(g_window->mirrorKeeper());
    g_session->closeWindow();
    // The first diary's agreements stay with it: the new one has none.
    QFile::remove(QFileInfo(g_session->diaryPath()).absolutePath() +
                  QStringLiteral("/mirror.state"));
    if (!g_session->useDiary({}) || !(g_window = g_session->openWindow())) {
        state.SkipWithError("the empty diary did not start");
        return;
    }
    turnOnTimed(state);
    // 36,525 entries of the largest diary make a file of some 190 MB.
    state.counters["diary_MB"] = double(QFileInfo(g_session->diaryPath()).size()) / 1e6;
    if (QFileInfo(g_session->diaryPath()).size() < 100'000'000)
        state.SkipWithError("the files were not read into the diary");
}

} // namespace

int main(int argc, char** argv)
{
    return bench::runBenchmarks(
        argc, argv,
        {{{"--diary=", &g_largest}},
         [](bench::BenchSession& session, const QString& scratch) {
             g_session = &session;
             g_folder = scratch + QStringLiteral("/Sync/diary");
             // CPU of the whole process: the passes' work runs on threads of their own.
             benchmark::RegisterBenchmark("Mirror/FromNothing", BM_FromNothing)
                 ->Unit(benchmark::kMillisecond)
                 ->UseRealTime()
                 ->MeasureProcessCPUTime()
                 ->Iterations(1);
             benchmark::RegisterBenchmark("Mirror/PassNothingChanged", BM_PassNothingChanged)
                 ->Unit(benchmark::kMillisecond)
                 ->UseRealTime()
                 ->MeasureProcessCPUTime()
                 ->MinTime(2.0);
             benchmark::RegisterBenchmark("Mirror/SaveWithItsFile", BM_SaveWithItsFile)
                 ->Unit(benchmark::kMillisecond)
                 ->UseRealTime();
             benchmark::RegisterBenchmark("Mirror/LinkIntoEmpty", BM_LinkIntoEmpty)
                 ->Unit(benchmark::kMillisecond)
                 ->UseRealTime()
                 ->MeasureProcessCPUTime()
                 ->Iterations(1);
         },
         {}});
}
