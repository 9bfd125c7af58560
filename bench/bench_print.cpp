// A year of the diary (365 entries of 300 to 2,940 characters) to a PDF through the main
// window's "印刷…", in each direction: the whole command as the user starts it (the
// dialog answered by the script, the file name by the scripted file dialog), and how long
// the window went without seeing its events meanwhile.
//
//   bench_print --diary=DIARY.mdb [benchmark flags]
//
// DIARY is a gen_diary diary that holds 2026 (bench/run.sh uses the 10-year one).

#include "BenchSession.h"
#include "FakePlatform.h"
#include "GapMeter.h"
#include "PrintDialog.h"
#include "fmTxt.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimer>

#include <benchmark/benchmark.h>

using namespace drv;

namespace {

bench::BenchSession* g_session = nullptr;
QString g_diary;
QString g_out;

int pdfPageCount(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(60000);
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                       .match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

void BM_PrintYear(benchmark::State& state, int direction)
{
    static fmTxt* w = nullptr;
    if (!w) {
        if (!g_session->useDiary(g_diary)) {
            state.SkipWithError("diary missing: give --diary=");
            return;
        }
        w = g_session->openWindow();
    }
    if (!w) {
        state.SkipWithError("the main window did not start");
        return;
    }
    const QString pdf =
        g_out + (direction ? QStringLiteral("/vertical.pdf") : QStringLiteral("/horizontal.pdf"));
    // The dialog as a user fills it: the year 2026, the direction, A5, then "PDF に保存".
    QTimer answer;
    answer.setInterval(2);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* d = qobject_cast<print::PrintDialog*>(QApplication::activeModalWidget());
        if (!d) return;
        d->findChild<QComboBox*>(QStringLiteral("range"))->setCurrentIndex(int(print::Range::Year));
        d->findChild<QSpinBox*>(QStringLiteral("year"))->setValue(2026);
        d->findChild<QComboBox*>(QStringLiteral("direction"))->setCurrentIndex(direction);
        d->findChild<QComboBox*>(QStringLiteral("paper"))->setCurrentIndex(int(print::Paper::A5));
        d->done(print::PrintDialog::Pdf);
    });
    bench::GapMeter meter;
    qint64 gap = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(pdf);
        g_session->machine().saveFileAnswers = {pdf};
        state.ResumeTiming();
        answer.start();
        gap = std::max(gap, meter.around([&] { w->mnFile_Click(fmTxt::PrintItem); }));
        answer.stop();
    }
    state.counters["longest_gap_ms"] = double(gap);
    state.counters["file_MB"] = double(QFileInfo(pdf).size()) / 1e6;
    const int pages = pdfPageCount(pdf);
    state.counters["pages"] = pages;
    if (pages < 100) state.SkipWithError("the PDF holds too few pages for a year");
}

} // namespace

int main(int argc, char** argv)
{
    return bench::runBenchmarks(
        argc, argv,
        {{{"--diary=", &g_diary}},
         [](bench::BenchSession& session, const QString& scratch) {
             g_session = &session;
             g_out = scratch;
             for (auto [name, direction] :
                  {std::pair{"PrintYear/horizontal", 0}, std::pair{"PrintYear/vertical", 1}})
                 benchmark::RegisterBenchmark(name, BM_PrintYear, direction)
                     ->Unit(benchmark::kMillisecond)
                     ->UseRealTime()
                     ->Iterations(1);
         },
         {}});
}
