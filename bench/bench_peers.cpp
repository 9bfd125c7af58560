// Importing another program's diary of 36,600 days, as "読み込み…" does it: reading the
// peer's files, sorting the days against the diary, and writing them in one
// transaction, into an empty diary each time. The diaries are generated in each peer's
// format from 1947-01-01 on, so their last 75 days lie past the keys' century window
// and are reported, as a real diary of that span would be.
//
//   bench_peers [benchmark flags]

#include "DiaryBatch.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "Import.h"
#include "PeerDetect.h"
#include "PeerWriters.h"
#include "Store.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace drv;

namespace {

constexpr int kDays = 36600;
QString g_folder;

QList<test::PeerDay> manyDays(bool twoADay)
{
    QList<test::PeerDay> days;
    days.reserve(kDays);
    const QDate first(1947, 1, 1);
    for (int i = 0; i < kDays; ++i) {
        const QDate d = first.addDays(i);
        days << test::PeerDay{d,
                              QStringLiteral("%1年%2月%3日の日記\n朝は晴れ、昼から雨。駅まで歩いて"
                                             "本屋に寄った。\n夜は家族と食事。明日も早い。")
                                  .arg(d.year())
                                  .arg(d.month())
                                  .arg(d.day()),
                              1};
        if (twoADay && i % 10 == 0)
            days << test::PeerDay{d, QStringLiteral("追記\n同じ日の二つ目の記事。"), 2};
    }
    return days;
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

void generate()
{
    test::writeLifeograph(pathOf(peers::Peer::Lifeograph), manyDays(true));
    test::writeRedNotebook(pathOf(peers::Peer::RedNotebook), manyDays(false));
    test::writeAlmanah(pathOf(peers::Peer::Almanah), manyDays(false));
}

void importPeer(benchmark::State& state, peers::Peer peer)
{
    test::FakePlatform fake;
    const QString path = pathOf(peer);
    qsizetype written = 0;
    for (auto _ : state) {
        state.PauseTiming();
        DbClose();
        fake.useDiaryFolders();
        if (!DbOpen()) state.SkipWithError("the diary did not open");
        state.ResumeTiming();
        QString notice;
        const keep::SourceResult source =
            peers::readAnySource(path, keep::Format::Text, fake.date, {}, notice);
        keep::ImportPlan plan;
        if (!source.ok() || notice.isEmpty() || !keep::planImport(source.entries, plan)) {
            state.SkipWithError("the diary was not read as expected");
            break;
        }
        keep::ImportCounts counts;
        const auto rows = keep::resolveImport(plan, {}, counts);
        if (diary::writeBatch(rows, {}) != diary::BatchOutcome::Written) {
            state.SkipWithError("the import was not written");
            break;
        }
        written = rows.size();
    }
    DbClose();
    state.counters["days_written"] = double(written);
}

} // namespace

BENCHMARK_CAPTURE(importPeer, Lifeograph, peers::Peer::Lifeograph)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(importPeer, RedNotebook, peers::Peer::RedNotebook)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(importPeer, Almanah, peers::Peer::Almanah)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv)
{
    QTemporaryDir scratch;
    qputenv("HOME", QFile::encodeName(scratch.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(scratch.path() + QStringLiteral("/share")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.path() + QStringLiteral("/config")));
    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    g_folder = scratch.path();
    generate();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
