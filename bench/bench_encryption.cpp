// The encrypted diary beside the plain one, in one run, at the store's level: opening to
// the first entries shown (the month's list and today's entry), showing an entry, a
// save, each search word, and switching the largest diary on and off. The password's
// derivation is timed on its own.
//
//   DRVESK_BENCH_DIARY=diary100.mdb bench_encryption --benchmark_repetitions=5

#include "Diary.h"
#include "DiaryEncryption.h"
#include "DiaryFixture.h"
#include "DiaryKeys.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "KeySlot.h"
#include "RecoveryKey.h"
#include "SearchIndex.h"
#include "Store.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <benchmark/benchmark.h>

using namespace drv;

namespace {

const QString kPassword = QStringLiteral("ベンチの合言葉");

struct Folders {
    std::unique_ptr<test::FakePlatform> fake;
    QString plain, sealed; // data folders, each with its dbVesk.mdb
    std::unique_ptr<vault::KeySet> keys;
};
Folders* g = nullptr;

void useDiary(bool encrypted)
{
    DbClose();
    sUsrFld = encrypted ? g->sealed : g->plain;
    if (encrypted)
        DbOpenUnlocked(vault::KeySet::fromDataKey(g->keys->dataKey()));
    else
        DbOpen();
}

QString diaryIn(const QString& folder)
{
    return folder + QStringLiteral("dbVesk.mdb");
}

void BM_Derive(benchmark::State& state)
{
    const QByteArray slot = vault::wrapWithPassword(g->keys->dataKey(), kPassword);
    for (auto _ : state)
        benchmark::DoNotOptimize(vault::unwrap(slot, kPassword));
}

// From the closed store to the month's list and today's entry read.
void BM_Open(benchmark::State& state, bool encrypted)
{
    DbClose();
    sUsrFld = encrypted ? g->sealed : g->plain;
    for (auto _ : state) {
        if (encrypted)
            DbOpenUnlocked(vault::KeySet::fromDataKey(g->keys->dataKey()));
        else
            DbOpen();
        QList<DiaryEntry> month;
        QString title, body;
        diary::monthEntries(QStringLiteral("2612"), month);
        diary::read(QStringLiteral("261207"), title, body);
        benchmark::DoNotOptimize(body);
        state.PauseTiming();
        DbClose();
        state.ResumeTiming();
    }
}

void BM_Show(benchmark::State& state, bool encrypted)
{
    useDiary(encrypted);
    int day = 0;
    for (auto _ : state) {
        QString title, body;
        diary::read(QStringLiteral("2611%1").arg(1 + day++ % 28, 2, 10, QChar(u'0')), title, body);
        benchmark::DoNotOptimize(body);
    }
}

void BM_Save(benchmark::State& state, bool encrypted)
{
    useDiary(encrypted);
    QString title, body;
    diary::read(QStringLiteral("261101"), title, body);
    int n = 0;
    for (auto _ : state)
        diary::save(QStringLiteral("261101"), title, body + QString::number(n++ % 2));
}

// Both answered by the index: the encrypted diary's is held in memory.
void BM_Search(benchmark::State& state, bool encrypted, QString word, int listed)
{
    useDiary(encrypted);
    if (!waitForSearchIndex(1800000)) {
        state.SkipWithError("no index");
        return;
    }
    qsizetype found = 0;
    for (auto _ : state) {
        QList<DiaryEntry> rows;
        diary::search(word, rows);
        found = rows.size();
    }
    if (found != listed) state.SkipWithError("unexpected number of entries");
}

void BM_Switch(benchmark::State& state)
{
    DbClose();
    const QString diary = diaryIn(g->plain);
    for (auto _ : state) {
        QString reason;
        QElapsedTimer t;
        t.start();
        qint64 steps = 0;
        auto progress = [&](qint64 done, qint64 total) {
            steps += done <= total;
            return true;
        };
        auto keys =
            encryption::switchOn(diary, kPassword, vault::newRecoveryKey(), progress, reason);
        state.counters["on_s"] = t.nsecsElapsed() / 1e9;
        t.restart();
        const bool off = keys && encryption::switchOff(diary, *keys, progress, reason);
        state.counters["off_s"] = t.nsecsElapsed() / 1e9;
        state.counters["progress_steps"] = double(steps);
        if (!off) state.SkipWithError(qPrintable(reason));
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const QString source = qEnvironmentVariable("DRVESK_BENCH_DIARY");
    if (source.isEmpty() || !QFile::exists(source)) {
        std::fprintf(stderr, "DRVESK_BENCH_DIARY names no diary\n");
        return 2;
    }
    Folders folders;
    g = &folders;
    folders.fake = test::startDiary();
    folders.plain = sUsrFld;
    folders.sealed = folders.fake->makeDir(QStringLiteral("sealed")) + u'/';
    QFile::copy(source, diaryIn(folders.plain));
    QFile::copy(source, diaryIn(folders.sealed));
    QString reason;
    folders.keys = encryption::switchOn(diaryIn(folders.sealed), kPassword, vault::newRecoveryKey(),
                                        {}, reason);
    if (!folders.keys) {
        std::fprintf(stderr, "cannot encrypt: %s\n", qPrintable(reason));
        return 1;
    }
    using benchmark::RegisterBenchmark;
    std::vector<benchmark::internal::Benchmark*> all{
        RegisterBenchmark("Derive/password", BM_Derive),
        RegisterBenchmark("Open/plain", BM_Open, false),
        RegisterBenchmark("Open/encrypted", BM_Open, true),
        RegisterBenchmark("Show/plain", BM_Show, false),
        RegisterBenchmark("Show/encrypted", BM_Show, true),
    };
    // The search benchmark's words, with the entries each lists.
    const std::pair<const char16_t*, int> words[] = {
        {u"ほたるいか", 7}, {u"牡蠣", 7}, {u"鷺", 7}, {u"散歩", 50}, {u"雨", 50}, {u"竜宮城", 0}};
    for (const auto& [w, listed] : words) {
        const QString word = QString::fromUtf16(w);
        for (bool encrypted : {false, true})
            all.push_back(RegisterBenchmark(
                (QStringLiteral("Search/") + word +
                 (encrypted ? QStringLiteral("/encrypted") : QStringLiteral("/plain")))
                    .toStdString()
                    .c_str(),
                BM_Search, encrypted, word, listed));
    }
    all.push_back(RegisterBenchmark("Save/plain", BM_Save, false));
    all.push_back(RegisterBenchmark("Save/encrypted", BM_Save, true));
    all.push_back(RegisterBenchmark("Switch/on_then_off", BM_Switch)->Iterations(1));
    for (auto* b : all)
        b->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    DbClose();
    test::endDiary(folders.fake);
    benchmark::Shutdown();
    return 0;
}
