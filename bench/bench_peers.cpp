// Importing another program's 100-year diary: 36,600 days of entries as people write
// them (a first line, then lines of kana, kanji, ASCII words and numbers, 300 to 2,700
// characters), generated in each peer's format from 1947-01-01 on, so that the last 75
// days lie past the keys' century window and are reported, as a real diary of that span
// would be. Two ways for each peer, into an empty diary each time:
//
//   Import/<peer>  the work itself: reading the peer's files, sorting the days against
//                  the diary, writing them in one transaction (each stage's seconds as
//                  a counter);
//   Window/<peer>  the whole command as a user goes through it in the main window, from
//                  the file chosen to the closing message, its questions answered from a
//                  script, and the longest time the window went without its events.
//
// A case that does not write every day of the window, or does not report the days
// past it, fails: an error instead of a time, and a non-zero exit.
//
//   bench_peers [--peers-dir=DIR] [benchmark flags]
//
// --peers-dir keeps the generated diaries in DIR and uses them again on the next run
// (they take half a minute to make); without it they go into a temporary folder.

#include "BenchSession.h"
#include "DiaryBatch.h"
#include "DiaryText.h"
#include "FakePlatform.h"
#include "GapMeter.h"
#include "Import.h"
#include "KeepAsk.h"
#include "PeerDetect.h"
#include "PeerWriters.h"
#include "Platform.h"
#include "Store.h"
#include "fmTxt.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <benchmark/benchmark.h>

using namespace drv;

namespace {

constexpr int kDays = 36600;
constexpr int kTaken = 36525; // the days up to 2046-12-31, the window's last year
const QString kOutsideSays = QStringLiteral("次の %1 日分は読み込めません").arg(kDays - kTaken);
const QString kDoneSays = QStringLiteral("読み込みました: 追加 %1 件").arg(kTaken);

QString g_folder;
bench::BenchSession* g_session = nullptr;
bool g_failed = false;

QList<test::PeerDay> manyDays(bool twoADay)
{
    // The same entries for every peer; Lifeograph's second ones come from a stream of
    // their own.
    bench::Random r(0x7065657273000000ull), more(0x6D6F726500000000ull);
    QList<test::PeerDay> days;
    days.reserve(twoADay ? kDays + kDays / 10 : kDays);
    const QDate first(1947, 1, 1);
    for (int i = 0; i < kDays; ++i) {
        const QDate d = first.addDays(i);
        days << test::PeerDay{d, QString::fromStdU16String(bench::entryText(r)), 1};
        if (twoADay && i % 10 == 0)
            days << test::PeerDay{d, QString::fromStdU16String(bench::entryText(more)), 2};
    }
    return days;
}

const char* nameOf(peers::Peer peer)
{
    switch (peer) {
    case peers::Peer::Lifeograph:
        return "Lifeograph";
    case peers::Peer::RedNotebook:
        return "RedNotebook";
    case peers::Peer::Almanah:
        return "Almanah";
    case peers::Peer::None:
        break;
    }
    return "";
}

QString pathOf(peers::Peer peer)
{
    switch (peer) {
    case peers::Peer::Lifeograph:
        return g_folder + QStringLiteral("/big.diary");
    case peers::Peer::RedNotebook:
        return g_folder + QStringLiteral("/rednotebook");
    case peers::Peer::Almanah:
        return g_folder + QStringLiteral("/diary.db");
    case peers::Peer::None:
        break;
    }
    return {};
}

qint64 sizeOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isDir()) return info.size();
    qint64 n = 0;
    for (const QFileInfo& f : QDir(path).entryInfoList(QDir::Files))
        n += f.size();
    return n;
}

void generate()
{
    const QString made = g_folder + QStringLiteral("/made");
    if (QFileInfo::exists(made)) return;
    const QList<test::PeerDay> once = manyDays(false);
    test::writeLifeograph(pathOf(peers::Peer::Lifeograph), manyDays(true));
    test::writeRedNotebook(pathOf(peers::Peer::RedNotebook), once);
    test::writeAlmanah(pathOf(peers::Peer::Almanah), once);
    QFile mark(made);
    if (!mark.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(made));
}

void fail(benchmark::State& state, const QString& why)
{
    g_failed = true;
    static std::string text;
    text = why.toStdString();
    state.SkipWithError(text.c_str());
}

// An empty diary in the data folder, without the index of the one before: closed.
void emptyDiary()
{
    g_session->closeWindow();
    DbClose();
    g_session->useDiary(QString());
    QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively();
}

int entriesNow()
{
    int n = -1;
    return diary::entryCount(n) ? n : -1;
}

// written: the days the import wrote; held: the entries the diary holds after it.
void report(benchmark::State& state, peers::Peer peer, int written, int held)
{
    state.counters["days_written"] = written;
    state.counters["file_MB"] = double(sizeOf(pathOf(peer))) / 1e6;
    if (written != kTaken || held != kTaken)
        fail(state, QStringLiteral("%1 days written and %2 held instead of %3")
                        .arg(written)
                        .arg(held)
                        .arg(kTaken));
}

void importPeer(benchmark::State& state, peers::Peer peer)
{
    const QString path = pathOf(peer);
    int written = 0, held = 0;
    double readS = 0, planS = 0, writeS = 0;
    for (auto _ : state) {
        state.PauseTiming();
        emptyDiary();
        if (!QFile::copy(test::FakePlatform::templatePath(), g_session->diaryPath()) || !DbOpen()) {
            fail(state, QStringLiteral("the diary did not open"));
            break;
        }
        state.ResumeTiming();
        QElapsedTimer stage;
        stage.start();
        QString notice;
        const keep::SourceResult source =
            peers::readAnySource(path, keep::Format::Text, services().clock->today(), {}, notice);
        readS += stage.restart() / 1e3;
        if (!source.ok() || !notice.contains(kOutsideSays)) {
            fail(state, QStringLiteral("not read as expected: %1 %2").arg(source.error, notice));
            break;
        }
        keep::ImportPlan plan;
        if (!keep::planImport(source.entries, plan)) {
            fail(state, QStringLiteral("not planned"));
            break;
        }
        planS += stage.restart() / 1e3;
        keep::ImportCounts counts;
        const auto rows = keep::resolveImport(plan, {}, counts);
        if (diary::writeBatch(rows, {}) != diary::BatchOutcome::Written) {
            fail(state, QStringLiteral("the import was not written"));
            break;
        }
        writeS += stage.restart() / 1e3;
        state.PauseTiming();
        written = int(rows.size());
        held = entriesNow();
        state.ResumeTiming();
    }
    DbClose();
    const auto avg = benchmark::Counter::kAvgIterations;
    state.counters["read_s"] = benchmark::Counter(readS, avg);
    state.counters["plan_s"] = benchmark::Counter(planS, avg);
    state.counters["write_s"] = benchmark::Counter(writeS, avg);
    if (!state.error_occurred()) report(state, peer, written, held);
}

class ScriptedAsk final : public keep::KeepAsk {
public:
    bool chooseSnapshot(QWidget*, const QList<keep::SnapshotChoice>&, int&) override
    {
        return false;
    }
    bool chooseExport(QWidget*, keep::ExportOptions&, QString&) override { return false; }
    bool chooseImport(QWidget*, QString& path, keep::Format& format) override
    {
        path = file;
        format = keep::Format::Text;
        return true;
    }
    bool resolveConflicts(QWidget*, const keep::ImportPlan&, QList<keep::Resolution>&) override
    {
        return false; // an empty diary has none
    }
    QString file;
};

ScriptedAsk g_ask;

void importInWindow(benchmark::State& state, peers::Peer peer)
{
    g_ask.file = pathOf(peer);
    bench::GapMeter meter;
    qint64 gap = 0;
    int held = 0;
    for (auto _ : state) {
        state.PauseTiming();
        emptyDiary();
        fmTxt* w = g_session->openWindow();
        if (!w) {
            fail(state, QStringLiteral("the main window did not start"));
            break;
        }
        const qsizetype before = g_session->messageCount();
        state.ResumeTiming();
        gap = std::max(gap, meter.around([&] { w->mnTool_Click(fmTxt::ImportItem); }));
        state.PauseTiming();
        held = entriesNow();
        state.ResumeTiming();
        // The days past the window are named first, then the count is asked, then told.
        if (g_session->messageCount() - before != 3 ||
            !g_session->lastMessage().contains(kDoneSays)) {
            fail(state, QStringLiteral("the command ended with: ") + g_session->lastMessage());
            break;
        }
    }
    state.counters["longest_gap_ms"] = double(gap);
    // The closing message said how many were added.
    if (!state.error_occurred()) report(state, peer, kTaken, held);
}

void registerAll()
{
    using benchmark::RegisterBenchmark;
    const peers::Peer all[] = {peers::Peer::Lifeograph, peers::Peer::RedNotebook,
                               peers::Peer::Almanah};
    for (peers::Peer p : all)
        RegisterBenchmark((std::string("Import/") + nameOf(p)).c_str(), importPeer, p)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(1);
    for (peers::Peer p : all)
        RegisterBenchmark((std::string("Window/") + nameOf(p)).c_str(), importInWindow, p)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(1);
}

} // namespace

int main(int argc, char** argv)
{
    QString kept;
    return bench::runBenchmarks(argc, argv,
                                {{{"--peers-dir=", &kept}},
                                 [&kept](bench::BenchSession& session, const QString& scratch) {
                                     g_folder = kept.isEmpty() ? scratch + QStringLiteral("/peers")
                                                               : QDir(kept).absolutePath();
                                     QDir().mkpath(g_folder);
                                     generate();
                                     g_session = &session;
                                     keep::setKeepAsk(&g_ask);
                                     registerAll();
                                 },
                                 {}});
}
