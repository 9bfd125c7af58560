// The word search's listing: through the index when it answers for the diary as it is,
// else by reading every body; either way the same entries in the same order.

#include "SearchIndex.h"

#include "DateKey.h"
#include "DiaryKeys.h"
#include "IndexFile.h"
#include "KeySet.h"
#include "OwnChanges.h"
#include "SearchState.h"
#include "SearchStatements.h"
#include "SearchTerms.h"
#include "SqlQuery.h"
#include "Statements.h"
#include "TextMatch.h"

#include <QHash>
#include <QSet>
#include <QSqlDatabase>

#include <sqlite3.h>

#include <algorithm>

namespace drv {

namespace {

const QString kReader = QStringLiteral("drvesk-index-reader");
constexpr int kReaderBusyMs = 2000;
// Candidates asked for at a time: as many as are listed first (a common word's candidates
// nearly all match), more after.
constexpr int kCandidatePage = 200;
constexpr int kMostInList = 400;
constexpr int kListed = 50;
constexpr qint64 kAboveEveryKey = 999999;

QString ordOf(const QString& key)
{
    return (key.left(2) <= orderPivot() ? u'1' : u'0') + key;
}

struct Hit {
    QString ord;
    QList<StoreValue> row; // skYmn, szTtl, szDoc
};

// Whether the body holds the word exactly as drv_match decides it: a text body is read by
// the driver as the engine's UTF-16, which is what drv_match is handed; a sealed one is
// opened here, once, and kept open for the listing (drv_doc gives the same text); any
// other value is left to the engine's own conversion.
bool hit(const QString& word, const QString& key, StoreValue& body, bool& ok)
{
    if (body.typeId() == QMetaType::QString) return matches(body.toString(), word);
    if (body.isNull()) return false;
    if (body.typeId() == QMetaType::QByteArray && vault::isSealed(body.toByteArray())) {
        QString text;
        // One that does not open is no hit, as drv_doc gives null for it; the listing
        // would show it empty.
        if (!textOfStored(key, QStringLiteral("szDoc"), body, text)) return false;
        body = text;
        return matches(text, word);
    }
    Statement st{sql::kHitOf, {word, key}};
    int n = 0;
    ok = ok && DbGetRec(st, n);
    return n == 1;
}

// The entries of the keys whose body holds the word, in the order of the keys.
bool matching(const QString& word, const QStringList& keys, QList<Hit>& hits)
{
    for (qsizetype from = 0; from < keys.size(); from += kMostInList) {
        const QStringList part = keys.mid(from, kMostInList);
        Statement st{sql::inList(sql::kEntriesOf, part.size()), {}};
        for (const QString& k : part)
            st.values << k;
        ColumnTable t;
        int n = 0;
        if (!DbGetRows(st, t, n)) return false;
        QHash<QString, int> at;
        for (int i = 0; i < n; ++i)
            at.insert(t[0][i].toString(), i);
        bool ok = true;
        for (const QString& k : part) {
            const auto it = at.constFind(k);
            if (it != at.cend() && hit(word, k, t[2][*it], ok))
                hits << Hit{ordOf(k), {t[0][*it], t[1][*it], t[2][*it]}};
        }
        if (!ok) return false;
    }
    return true;
}

// The newest entries that hold the word among those the index names, leaving out the
// keys whose changes it may not hold yet. False when the index cannot be read (then
// nothing was shown); failed is set when reading the diary failed (that was shown).
bool indexedHits(const QString& word, const QString& query, const QSet<QString>& skip,
                 QList<Hit>& hits, bool& failed)
{
    auto& g = searchState();
    const IndexWorker::Status st = g->worker->status();
    sqlite3* reader = openIndexReader(st.generation);
    if (!reader) return false;
    // One read of the index from its facts to its last candidate.
    if (!sql::quietRun(reader, sql::kBeginRead)) return false;
    bool ok = false;
    {
        sql::Query meta(reader, sql::kMetaGen);
        ok = meta.next() && meta.number(0) == st.generation && meta.number(1) == 1;
    }
    // Made anew by another copy since the worker took it: the worker is to take it again.
    if (!ok) g->wantedPass = g->worker->requestPass();
    const qint64 pivot = (orderPivot() + QStringLiteral("9999")).toLongLong();
    const std::pair<qint64, qint64> ranges[] = {{pivot, -1}, {kAboveEveryKey, pivot}};
    int page = kListed;
    for (const auto& [top, bottom] : ranges) {
        qint64 upper = top;
        while (ok && hits.size() < kListed) {
            QStringList keys;
            int rows = 0;
            qint64 last = 0;
            {
                sql::Query q(reader, sql::kCandidates, {query, upper, bottom, page});
                while (q.next()) {
                    ++rows;
                    last = q.number(0);
                    const QString key = DateKey::fromNumber(last);
                    if (!skip.contains(key)) keys << key;
                }
                ok = q.ok();
            }
            if (!ok) break;
            if (!matching(word, keys, hits)) {
                failed = true;
                break;
            }
            if (rows < page) break;
            upper = last - 1;
            page = kCandidatePage;
        }
        if (!ok || failed) break;
    }
    sql::quietRun(reader, sql::kCommit);
    return ok;
}

// drv_match(text, word): the word search, "*" any run, case- and width-insensitive.
void sqlMatch(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const auto* t = static_cast<const char16_t*>(sqlite3_value_text16(argv[0]));
    const auto* w = static_cast<const char16_t*>(sqlite3_value_text16(argv[1]));
    if (!t || !w) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    const QString text = QString::fromUtf16(t, sqlite3_value_bytes16(argv[0]) / 2);
    const QString word = QString::fromUtf16(w, sqlite3_value_bytes16(argv[1]) / 2);
    sqlite3_result_int(ctx, matches(text, word) ? 1 : 0);
}

} // namespace

sqlite3* openIndexReader(qint64 generation)
{
    auto& g = searchState();
    if (!g->readerOpen || g->readerGen != generation) {
        index::close(kReader);
        g->readerOpen = index::open(kReader, g->indexPath, kReaderBusyMs);
        g->readerGen = generation;
    }
    return g->readerOpen ? sql::handleOf(QSqlDatabase::database(kReader, false)) : nullptr;
}

bool registerWordMatch(sqlite3* diary)
{
    return diary &&
           sqlite3_create_function(diary, "drv_match", 2, SQLITE_UTF16 | SQLITE_DETERMINISTIC,
                                   nullptr, sqlMatch, nullptr, nullptr) == SQLITE_OK;
}

void closeIndexReader()
{
    index::close(kReader);
    auto& g = searchState();
    if (g) g->readerOpen = false;
}

QString searchIndexQuery(const QString& word)
{
    const auto wanted = terms::ofWord(word);
    return wanted ? terms::matchExpression(*wanted) : QString();
}

bool ScanWord(const QString& word, ColumnTable& table, int& count)
{
    Statement st{sql::kTop50 + sql::kWithWord + sql::kNewestFirst, {}};
    SqlSet(st, {word});
    return DbGetRows(st, table, count);
}

bool SearchWord(const QString& word, ColumnTable& table, int& count)
{
    auto& g = searchState();
    const auto wanted = terms::ofWord(word);
    if (!wanted || wanted->isEmpty() || !indexCurrent(true)) return ScanWord(word, table, count);
    // Keys changed by this copy that the index may not hold yet are read directly.
    QSet<QString> own(g->dirty.keyBegin(), g->dirty.keyEnd());
    for (const QString& k : own::openKeys())
        own.insert(k);
    QList<Hit> hits;
    bool failed = false;
    if (!indexedHits(word, terms::matchExpression(*wanted), own, hits, failed)) {
        if (!failed) return ScanWord(word, table, count);
    }
    count = 0;
    table.clear();
    if (failed || !matching(word, QStringList(own.cbegin(), own.cend()), hits)) return false;
    std::stable_sort(hits.begin(), hits.end(),
                     [](const Hit& a, const Hit& b) { return a.ord > b.ord; });
    if (hits.size() > kListed) hits.resize(kListed);
    if (hits.isEmpty()) return true;
    table = ColumnTable(3);
    for (const Hit& h : hits)
        for (int c = 0; c < 3; ++c)
            table[c].append(h.row.at(c));
    count = int(hits.size());
    return true;
}

bool diary::search(const QString& word, QList<DiaryEntry>& rows)
{
    ColumnTable t;
    int n = 0;
    const bool ok = SearchWord(word, t, n);
    rows = entriesOf(t, n);
    return ok;
}

} // namespace drv
