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
#include "YearView.h"
#include "YearWindow.h"
#include <QTableWidget>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

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
BENCHMARK(BM_FiguresOf)->Unit(benchmark::kMillisecond)->UseRealTime();

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
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    bench::BenchSession session;
    g_session = &session;
    if (!g_largest.isEmpty()) session.useDiary(g_largest);
    int benchArgc = int(rest.size());
    benchmark::Initialize(&benchArgc, rest.data());
    if (benchmark::ReportUnrecognizedArguments(benchArgc, rest.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    YearWindow::closeIfOpen();
    FiguresWindow::closeIfOpen();
    session.closeWindow();
    return 0;
}
