// Looking back over the largest diary, in-process on the offscreen platform: the year at a
// glance and the diary's figures from the request to the painted window, and the read of
// the day counts they start from.
//
//   bench_lookback --diary=LARGEST.mdb [benchmark flags]
//
// LARGEST is the 100-year diary made by gen_diary. The timings wait for the search index
// (which keeps the counts) to be built first. The date is fixed at 2026-12-07.

#include "BenchSession.h"
#include "DayCounts.h"
#include "DiaryDays.h"
#include "Figures.h"
#include "FiguresChart.h"
#include "FiguresWindow.h"
#include "SearchIndex.h"
#include "SqlQuery.h"
#include "YearView.h"
#include "YearWindow.h"
#include <QTableWidget>

#include <QApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <sqlite3.h>

using namespace drv;

namespace {

bench::BenchSession* g_session = nullptr;
QString g_largest;

bool ready(benchmark::State& state)
{
    if (g_largest.isEmpty() || !g_session->window()) {
        state.SkipWithError("diary missing: give --diary=");
        return false;
    }
    if (!waitForSearchIndex(600000)) {
        state.SkipWithError("the search index was not built");
        return false;
    }
    return true;
}

void BM_DayCounts(benchmark::State& state)
{
    if (!ready(state)) return;
    qsizetype days = 0;
    for (auto _ : state) {
        QList<DayCount> counts;
        if (!diary::dayCounts(counts)) state.SkipWithError("the counts were not read");
        days = counts.size();
    }
    state.counters["days"] = double(days);
}

// From the menu's request to the year painted; a fresh window each time.
void BM_YearWindow(benchmark::State& state)
{
    if (!ready(state)) return;
    for (auto _ : state) {
        state.PauseTiming();
        YearWindow::closeIfOpen();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        YearWindow& w = YearWindow::instance();
        w.ActYear(QDate(2026, 12, 7));
        if (!bench::waitForPaint(w.vYear)) state.SkipWithError("no paint");
    }
}

// From the request to the figures' chart painted, every year and month computed.
void BM_FiguresWindow(benchmark::State& state)
{
    if (!ready(state)) return;
    int years = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FiguresWindow::closeIfOpen();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        FiguresWindow& w = FiguresWindow::instance();
        w.ActFigures(2026);
        if (!bench::waitForPaint(w.vChart)) state.SkipWithError("no paint");
        years = w.vYears->rowCount() - 1;
    }
    state.counters["years"] = years;
}

// Another program changes one day; the next change of the loop waits for the index to
// have caught up, so that each round starts from an index in step.
bool changeFromOutside(benchmark::State& state, int round)
{
    sql::Connection outside;
    QString reason;
    if (!outside.open(g_session->diaryPath(), SQLITE_OPEN_READWRITE, reason, 5000) ||
        !sql::quietRun(outside.handle(),
                       QStringLiteral("update tbDoc set szDoc = szDoc || '%1' where skYmn = "
                                      "'200101'")
                           .arg(round))) {
        state.SkipWithError("the outside change failed");
        return false;
    }
    return true;
}

// The counts read at once after another program's change: the wait for the index's
// catch-up, on the window's thread.
void BM_DayCountsAfterOutsideChange(benchmark::State& state)
{
    if (!ready(state)) return;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        waitForSearchIndex(60000);
        if (!changeFromOutside(state, ++round)) return;
        state.ResumeTiming();
        QList<DayCount> counts;
        if (!diary::dayCounts(counts)) state.SkipWithError("the counts were not read");
    }
}

// The year window after another program's change: painted at once (real time), the
// counts following the index's catch-up (counts_ms, the mean from the request).
void BM_YearWindowAfterOutsideChange(benchmark::State& state)
{
    if (!ready(state)) return;
    int round = 0;
    double countsMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        YearWindow::closeIfOpen();
        waitForSearchIndex(60000);
        if (!changeFromOutside(state, ++round)) return;
        QCoreApplication::processEvents();
        state.ResumeTiming();
        QElapsedTimer asked;
        asked.start();
        YearWindow& w = YearWindow::instance();
        w.ActYear(QDate(2026, 12, 7));
        if (!bench::waitForPaint(w.vYear)) state.SkipWithError("no paint");
        state.PauseTiming();
        while (w.countsPending() && asked.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        countsMs += double(asked.nsecsElapsed()) / 1e6;
        state.ResumeTiming();
    }
    state.counters["counts_ms"] = countsMs / double(state.iterations());
}

// The figures alone, from counts already read.
void BM_FiguresOf(benchmark::State& state)
{
    if (!ready(state)) return;
    lookback::DiaryDays days;
    lookback::loadDiaryDays(days);
    for (auto _ : state)
        benchmark::DoNotOptimize(lookback::figuresOf(days));
}

} // namespace

BENCHMARK(BM_DayCounts)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_YearWindow)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FiguresWindow)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DayCountsAfterOutsideChange)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_YearWindowAfterOutsideChange)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FiguresOf)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    return bench::runBenchmarks(argc, argv,
                                {{{"--diary=", &g_largest}},
                                 [](bench::BenchSession& session, const QString&) {
                                     g_session = &session;
                                     if (!g_largest.isEmpty()) session.useDiary(g_largest);
                                 },
                                 [] {
                                     YearWindow::closeIfOpen();
                                     FiguresWindow::closeIfOpen();
                                 }});
}
