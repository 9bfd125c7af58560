// Timings of what a user waits for, on the largest diary, in-process on the offscreen
// platform: the main window from construction to shown, showing and saving an entry,
// the month list, and the listing window's date and word listings to their first paint.
// The start is timed on the largest diary encrypted too, its password's derivation apart.
//
//   bench_drvesk --diary=LARGEST.mdb --long50=LONG50.mdb [benchmark flags]
//
// LARGEST is the 100-year diary, LONG50 the 50 entries of 10,000 characters (both made by
// gen_diary). The search index is built in the background when a diary is first opened;
// the timings wait for it, except the click while it builds. The date is fixed at
// 2026-12-07.

#include "BenchSession.h"
#include "DiaryEncryption.h"
#include "FakePlatform.h"
#include "IndexFile.h"
#include "KeySet.h"
#include "KeySlot.h"
#include "ListingView.h"
#include "MonthCalendar.h"
#include "RecoveryKey.h"
#include "SearchIndex.h"
#include "SqlQuery.h"
#include "Statements.h"
#include "Store.h"
#include "fmTxt.h"
#include "sbFnd.h"
#include "uTxA.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTableWidget>
#include <QTextCursor>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <vector>

using namespace drv;

namespace {

enum class Diary { None, Largest, LargestEncrypted, Empty, Long50 };

const QString kPassword = QStringLiteral("ベンチの合言葉");

bench::BenchSession* g_session = nullptr;
QString g_largest, g_long50;
Diary g_current = Diary::None;

const QDate kToday(2026, 12, 7);

QString pathOf(Diary d)
{
    switch (d) {
    case Diary::Largest:
    case Diary::LargestEncrypted:
        return g_largest;
    case Diary::Long50:
        return g_long50;
    default:
        return QString();
    }
}

// The session's copy of the largest diary switched on. Its password slot is made at the
// lowest cost, so that the starts time everything but the password's derivation, which
// PasswordDerivation times on its own at the cost every diary gets.
bool encrypt(benchmark::State& state)
{
    const vault::PasswordCost real;
    vault::setPasswordCost({1, 8192});
    QString reason;
    const bool on = bool(encryption::switchOn(g_session->diaryPath(), kPassword,
                                              vault::newRecoveryKey(), {}, reason));
    vault::setPasswordCost(real);
    if (!on) state.SkipWithError(qPrintable(QStringLiteral("not switched on: ") + reason));
    return on;
}

// The main window on a fresh copy of that diary, opened when another one is open, with
// its search index built.
fmTxt* windowOn(Diary d, benchmark::State& state)
{
    if (g_current != d) {
        if ((d != Diary::Empty && pathOf(d).isEmpty()) || !g_session->useDiary(pathOf(d))) {
            state.SkipWithError("diary missing: give --diary= and --long50=");
            return nullptr;
        }
        if (d == Diary::LargestEncrypted && !encrypt(state)) return nullptr;
        g_current = d;
    }
    if (d == Diary::LargestEncrypted) g_session->machine().promptAnswers = {kPassword};
    fmTxt* w = g_session->window();
    if (!w)
        state.SkipWithError("the main window did not start");
    else if (!waitForSearchIndex(600000))
        state.SkipWithError("the search index was not built");
    return w;
}

void failOnMessages(benchmark::State& state, qsizetype before)
{
    if (g_session->messageCount() != before) state.SkipWithError("the program showed a message");
}

int listedEntries(const sbFnd& f)
{
    return int(f.vDoc->wholeText().count(QStringLiteral("■")));
}

// A body of about 1,500 characters; `variant` changes its last sentence.
QString sampleBody(int variant)
{
    QString body;
    for (int i = 0; i < 60; ++i)
        body += (i % 4 == 3) ? QStringLiteral("今日はとても寒かった。\n")
                             : QStringLiteral("図書館で本を読んでから帰った。");
    return body + QString::number(variant);
}

// --- main window -----------------------------------------------------------

void BM_MainWindowShown(benchmark::State& state, Diary d)
{
    if (!windowOn(d, state)) return;
    const qsizetype messages = g_session->messageCount();
    for (auto _ : state) {
        state.PauseTiming();
        g_session->closeWindow();
        if (d == Diary::LargestEncrypted) g_session->machine().promptAnswers = {kPassword};
        state.ResumeTiming();
        if (!g_session->openWindow()) {
            state.SkipWithError("the main window did not start");
            return;
        }
    }
    failOnMessages(state, messages);
}

// Argon2id at the cost a diary's password slot gets, as each start of an encrypted diary
// pays it before the window.
void BM_PasswordDerivation(benchmark::State& state)
{
    const auto keys = vault::KeySet::generate();
    const QByteArray slot = vault::wrapWithPassword(keys->dataKey(), kPassword);
    for (auto _ : state)
        benchmark::DoNotOptimize(vault::unwrap(slot, kPassword));
}

void showAlternately(benchmark::State& state, QDate a, QDate b, bool paint)
{
    fmTxt* w = windowOn(Diary::Largest, state);
    if (!w) return;
    bool flip = false;
    for (auto _ : state) {
        state.PauseTiming();
        w->vCLn->setSelectedDate((flip = !flip) ? a : b);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        w->ShowEntry();
        if (paint && !bench::waitForPaint(w->vTTL)) state.SkipWithError("no paint");
    }
    if (w->vTTL->text().isEmpty() || w->uTxt->Text().size() < 300)
        state.SkipWithError("the entry was not shown");
}

void BM_ShowEntry_SameMonth(benchmark::State& state)
{
    showAlternately(state, QDate(2026, 12, 3), QDate(2026, 12, 5), false);
}

void BM_ShowEntry_SameMonth_Painted(benchmark::State& state)
{
    showAlternately(state, QDate(2026, 12, 3), QDate(2026, 12, 5), true);
}

void BM_ShowEntry_OtherMonth(benchmark::State& state)
{
    showAlternately(state, QDate(2026, 12, 5), QDate(2025, 6, 10), false);
}

// A click on a day of another month: the calendar moves, the list is refilled, the
// entry shown.
void BM_DateClick_OtherMonth(benchmark::State& state)
{
    fmTxt* w = windowOn(Diary::Largest, state);
    if (!w) return;
    bool flip = false;
    for (auto _ : state) {
        const QDate d = (flip = !flip) ? QDate(2025, 6, 10) : QDate(2026, 12, 5);
        w->vCLn->setSelectedDate(d);
        Q_EMIT w->vCLn->dateClicked(d);
    }
    if (w->vSpr->rowCount() < 28) state.SkipWithError("the month list was not filled");
}

// A click on another day while the index of the largest diary is being built: a fresh copy
// with no index, the window open on it, the days clicked until the entry is painted.
void BM_DateClick_WhileBuilding(benchmark::State& state)
{
    g_session->closeWindow();
    g_current = Diary::None;
    if (g_largest.isEmpty() || !g_session->useDiary(g_largest)) {
        state.SkipWithError("diary missing: give --diary=");
        return;
    }
    QFile::remove(index::pathFor(g_session->diaryPath()));
    fmTxt* w = g_session->openWindow();
    if (!w) {
        state.SkipWithError("the main window did not start");
        return;
    }
    int building = 0;
    bool flip = false;
    for (auto _ : state) {
        const QDate d = (flip = !flip) ? QDate(2025, 6, 10) : QDate(2026, 12, 5);
        w->vCLn->setSelectedDate(d);
        Q_EMIT w->vCLn->dateClicked(d);
        if (!bench::waitForPaint(w->vTTL)) state.SkipWithError("no paint");
        if (!hasSearchIndex()) ++building;
    }
    state.counters["while_building"] = benchmark::Counter(
        double(building) / double(std::max<benchmark::IterationCount>(1, state.iterations())));
    if (building == 0) state.SkipWithError("the index was ready before the first click");
    if (w->uTxt->Text().size() < 300) state.SkipWithError("the entry was not shown");
}

void BM_FillMonthList(benchmark::State& state)
{
    fmTxt* w = windowOn(Diary::Largest, state);
    if (!w) return;
    w->vCLn->setSelectedDate(kToday);
    w->ShowEntry();
    for (auto _ : state)
        w->FillMonthList(true);
    if (w->vSpr->rowCount() != 31) state.SkipWithError("December should list 31 entries");
}

// --- saving ----------------------------------------------------------------

// A save as the command makes it, and then until the search index holds it; the second
// part alone is added up in indexNs.
bool saved(fmTxt* w, qint64& indexNs)
{
    if (!w->SaveEntry(false)) return false;
    QElapsedTimer t;
    t.start();
    const bool indexed = waitForSearchIndex(5000);
    indexNs += t.nsecsElapsed();
    return indexed;
}

void reportIndexPart(benchmark::State& state, qint64 indexNs)
{
    state.counters["index_ms"] =
        double(indexNs) / 1e6 / double(std::max<benchmark::IterationCount>(1, state.iterations()));
}

void BM_SaveEntry_Update(benchmark::State& state)
{
    fmTxt* w = windowOn(Diary::Largest, state);
    if (!w) return;
    const qsizetype messages = g_session->messageCount();
    w->vCLn->setSelectedDate(kToday);
    w->FillMonthList(false);
    w->ShowEntry();
    int variant = 0;
    qint64 indexNs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        w->uTxt->setText(sampleBody(++variant));
        state.ResumeTiming();
        if (!saved(w, indexNs)) state.SkipWithError("save failed or the index did not take it");
    }
    reportIndexPart(state, indexNs);
    int n = 0;
    Statement st{sql::kCountKey, {}};
    SqlSet(st, {w->CurrentKey});
    if (!DbGetRec(st, n) || n != 1) state.SkipWithError("the entry is not stored");
    failOnMessages(state, messages);
}

void BM_SaveEntry_Insert(benchmark::State& state)
{
    fmTxt* w = windowOn(Diary::Largest, state);
    if (!w) return;
    const qsizetype messages = g_session->messageCount();
    w->vCLn->setSelectedDate(kToday);
    w->FillMonthList(false);
    w->ShowEntry();
    w->uTxt->setText(sampleBody(0));
    qint64 indexNs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Statement del{sql::kDelete, {}};
        SqlSet(del, {w->CurrentKey});
        int n = 0;
        DbExec(del, n);
        if (n != 1) state.SkipWithError("nothing to delete before the insert");
        waitForSearchIndex(5000);
        state.ResumeTiming();
        if (!saved(w, indexNs)) state.SkipWithError("save failed or the index did not take it");
    }
    reportIndexPart(state, indexNs);
    if (!w->ListKeys.contains(w->CurrentKey)) state.SkipWithError("the entry is not listed");
    failOnMessages(state, messages);
}

// --- listing window --------------------------------------------------------

// The whole listing in place of its first window's worth, which the window does once
// that is on screen; untimed, its time is told as the counter rest_ms.
void completeListing(benchmark::State& state, sbFnd& f, double& restMs)
{
    state.PauseTiming();
    QElapsedTimer t;
    t.start();
    f.vDoc->complete();
    restMs += t.nsecsElapsed() / 1e6;
    state.ResumeTiming();
}

void reportRest(benchmark::State& state, double restMs)
{
    state.counters["rest_ms"] = state.iterations() ? restMs / double(state.iterations()) : 0;
}

void BM_ActDate(benchmark::State& state, Diary d)
{
    if (!windowOn(d, state)) return;
    double restMs = 0;
    for (auto _ : state) {
        sbFnd& f = sbFnd::instance();
        f.ActDate(QStringLiteral("最近の日記"), QStringLiteral("261207"));
        if (!bench::waitForPaint(f.vDoc->viewport())) state.SkipWithError("no paint");
        completeListing(state, f, restMs);
    }
    reportRest(state, restMs);
    if (listedEntries(sbFnd::instance()) != 50) state.SkipWithError("50 entries expected");
}

// The listing laid out and painted down to its last line.
void BM_ActDate_ToEnd(benchmark::State& state, Diary d)
{
    if (!windowOn(d, state)) return;
    for (auto _ : state) {
        sbFnd& f = sbFnd::instance();
        f.ActDate(QStringLiteral("最近の日記"), QStringLiteral("261207"));
        f.vDoc->complete(); // timed: the whole listing is the point here
        f.vDoc->moveCursor(QTextCursor::End);
        f.vDoc->ensureCursorVisible();
        if (!bench::waitForPaint(f.vDoc->viewport())) state.SkipWithError("no paint");
    }
    if (listedEntries(sbFnd::instance()) != 50) state.SkipWithError("50 entries expected");
}

// The store's query of ActDate alone: the 50 latest entries up to a day.
void BM_UpToQuery(benchmark::State& state)
{
    if (!windowOn(Diary::Largest, state)) return;
    int n = 0;
    for (auto _ : state) {
        ColumnTable t;
        if (!LatestUpTo(QStringLiteral("261207"), t, n)) state.SkipWithError("query failed");
    }
    if (n != 50) state.SkipWithError("50 entries expected");
}

struct Word {
    const char16_t* text;
    int listed; // entries the listing must show
};

// Words of the generated diaries: in exactly 7 entries (5, 2 and 1 characters), in about
// 30 % of them and in most of them, and in none.
const Word kRare5{u"ほたるいか", 7};
const Word kRare2{u"牡蠣", 7};
const Word kRare1{u"鷺", 7};
const Word kCommon2{u"散歩", 50};
const Word kCommon1{u"雨", 50};
const Word kNowhere{u"竜宮城", 0};

void BM_ActWd(benchmark::State& state, Diary d, Word word)
{
    if (!windowOn(d, state)) return;
    const QString w = QString::fromUtf16(word.text);
    double restMs = 0;
    for (auto _ : state) {
        sbFnd& f = sbFnd::instance();
        f.ActWd(w);
        if (!bench::waitForPaint(f.vDoc->viewport())) state.SkipWithError("no paint");
        completeListing(state, f, restMs);
    }
    reportRest(state, restMs);
    if (listedEntries(sbFnd::instance()) != word.listed)
        state.SkipWithError("unexpected number of listed entries");
}

// ActDate and ActWd one after the other in each iteration, so that their ratio is of
// figures taken side by side: this machine's speed drifts between runs of a second.
// The iteration's time is both; the counters give each one's median and their ratio.
void BM_ActWdOverActDate(benchmark::State& state, Word word)
{
    if (!windowOn(Diary::Largest, state)) return;
    const QString w = QString::fromUtf16(word.text);
    std::vector<double> dates, words;
    double restMs = 0;
    QElapsedTimer t;
    for (auto _ : state) {
        sbFnd& f = sbFnd::instance();
        t.start();
        f.ActDate(QStringLiteral("最近の日記"), QStringLiteral("261207"));
        if (!bench::waitForPaint(f.vDoc->viewport())) state.SkipWithError("no paint");
        dates.push_back(t.nsecsElapsed() / 1e6);
        completeListing(state, f, restMs);
        t.start();
        f.ActWd(w);
        if (!bench::waitForPaint(f.vDoc->viewport())) state.SkipWithError("no paint");
        words.push_back(t.nsecsElapsed() / 1e6);
        completeListing(state, f, restMs);
    }
    reportRest(state, restMs);
    if (listedEntries(sbFnd::instance()) != word.listed)
        state.SkipWithError("unexpected number of listed entries");
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    const double date = median(dates), found = median(words);
    state.counters["ActDate_ms"] = date;
    state.counters["ActWd_ms"] = found;
    state.counters["ratio"] = date > 0 ? found / date : 0;
}

// The store's two searches alone, without the window: the index and the plain scan.
void searchOnly(benchmark::State& state, Word word,
                bool (*search)(const QString&, ColumnTable&, int&))
{
    if (!windowOn(Diary::Largest, state)) return;
    const QString w = QString::fromUtf16(word.text);
    int n = 0;
    for (auto _ : state) {
        ColumnTable t;
        if (!search(w, t, n)) state.SkipWithError("search failed");
    }
    if (n != word.listed) state.SkipWithError("unexpected number of entries");
}

// A search right after another program changed one entry while this one runs: the change
// is seen, the index catches up (every row compared by its digest), then it answers.
void BM_SearchAfterOutsideChange(benchmark::State& state)
{
    if (!windowOn(Diary::Largest, state)) return;
    sql::Connection outside;
    QString reason;
    if (!outside.open(g_session->diaryPath(), SQLITE_OPEN_READWRITE, reason))
        state.SkipWithError("cannot open the diary from outside");
    int n = 0, round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!sql::quietRun(
                outside.handle(),
                QStringLiteral("update tbDoc set szDoc = szDoc || '%1' where skYmn = '200101'")
                    .arg(++round)))
            state.SkipWithError("the outside change failed");
        state.ResumeTiming();
        ColumnTable t;
        if (!SearchWord(QString::fromUtf16(kRare5.text), t, n))
            state.SkipWithError("search failed");
    }
    if (!hasSearchIndex()) state.SkipWithError("the index did not catch up");
    if (n != kRare5.listed) state.SkipWithError("unexpected number of entries");
}

void BM_SearchWord(benchmark::State& state, Word word)
{
    searchOnly(state, word, &SearchWord);
}

void BM_ScanWord(benchmark::State& state, Word word)
{
    searchOnly(state, word, &ScanWord);
}

void registerAll()
{
    using benchmark::RegisterBenchmark;
    std::vector<benchmark::internal::Benchmark*> all = {
        RegisterBenchmark("MainWindowShown/largest", BM_MainWindowShown, Diary::Largest),
        RegisterBenchmark("MainWindowShown/empty", BM_MainWindowShown, Diary::Empty),
        RegisterBenchmark("MainWindowShown/largest_encrypted", BM_MainWindowShown,
                          Diary::LargestEncrypted),
        RegisterBenchmark("PasswordDerivation", BM_PasswordDerivation),
        RegisterBenchmark("ShowEntry/same_month", BM_ShowEntry_SameMonth),
        RegisterBenchmark("ShowEntry/same_month_painted", BM_ShowEntry_SameMonth_Painted),
        RegisterBenchmark("ShowEntry/other_month", BM_ShowEntry_OtherMonth),
        RegisterBenchmark("DateClick/other_month", BM_DateClick_OtherMonth),
        RegisterBenchmark("DateClick/while_building", BM_DateClick_WhileBuilding),
        RegisterBenchmark("FillMonthList", BM_FillMonthList),
        RegisterBenchmark("ActDate/largest", BM_ActDate, Diary::Largest),
        RegisterBenchmark("ActDate/query_only", BM_UpToQuery),
    };
    const std::pair<const char*, Word> words[] = {
        {"rare_5chars", kRare5},     {"rare_2chars", kRare2},    {"rare_1char", kRare1},
        {"common_2chars", kCommon2}, {"common_1char", kCommon1}, {"nothing", kNowhere},
    };
    for (const auto& [name, word] : words)
        all.push_back(RegisterBenchmark((std::string("ActWd/") + name).c_str(), BM_ActWd,
                                        Diary::Largest, word));
    for (const auto& [name, word] : words)
        all.push_back(RegisterBenchmark((std::string("ActWdOverActDate/") + name).c_str(),
                                        BM_ActWdOverActDate, word));
    for (const auto& [name, word] : words)
        all.push_back(
            RegisterBenchmark((std::string("SearchWord/") + name).c_str(), BM_SearchWord, word));
    for (const auto& [name, word] : words)
        all.push_back(
            RegisterBenchmark((std::string("ScanWord/") + name).c_str(), BM_ScanWord, word));
    all.push_back(
        RegisterBenchmark("SearchWord/after_outside_change", BM_SearchAfterOutsideChange));
    // Saving changes the diary, so it comes after the searches that count entries.
    all.push_back(RegisterBenchmark("SaveEntry/update", BM_SaveEntry_Update));
    all.push_back(RegisterBenchmark("SaveEntry/insert", BM_SaveEntry_Insert));
    all.push_back(RegisterBenchmark("ActDate/long50", BM_ActDate, Diary::Long50));
    all.push_back(RegisterBenchmark("ActDate/long50_to_end", BM_ActDate_ToEnd, Diary::Long50));
    all.push_back(RegisterBenchmark("ActWd/long50_common", BM_ActWd, Diary::Long50, kCommon2));
    // A fixed count, for profiling runs (under valgrind the automatic count is too small).
    const int fixed = qEnvironmentVariableIntValue("DRVESK_BENCH_ITERATIONS");
    for (benchmark::internal::Benchmark* b : all) {
        b->Unit(benchmark::kMillisecond)->UseRealTime();
        if (fixed > 0) b->Iterations(fixed);
    }
}

// How durable a save is, read from the open diary.
void describeStore()
{
    QString journal;
    int synchronous = -1;
    DbGetRec(Statement{QStringLiteral("Pragma journal_mode"), {}}, journal);
    DbGetRec(Statement{QStringLiteral("Pragma synchronous"), {}}, synchronous);
    benchmark::AddCustomContext("sqlite_journal_mode", journal.toStdString());
    benchmark::AddCustomContext("sqlite_synchronous",
                                std::to_string(synchronous) + (synchronous == 2 ? " (FULL)" : ""));
    benchmark::AddCustomContext("search_index", waitForSearchIndex(600000) ? "built" : "not built");
    benchmark::AddCustomContext("qt_platform", QGuiApplication::platformName().toStdString());
}

} // namespace

int main(int argc, char** argv)
{
    return bench::runBenchmarks(argc, argv,
                                {{{"--diary=", &g_largest}, {"--long50=", &g_long50}},
                                 [](bench::BenchSession& session, const QString&) {
                                     g_session = &session;
                                     if (!g_largest.isEmpty() && session.useDiary(g_largest) &&
                                         session.window()) {
                                         g_current = Diary::Largest;
                                         describeStore();
                                     }
                                     registerAll();
                                 },
                                 {}});
}
