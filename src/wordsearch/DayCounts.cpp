#include "DayCounts.h"

#include "CharCount.h"
#include "DateKey.h"
#include "Diary.h"
#include "OwnChanges.h"
#include "SearchState.h"
#include "SearchStatements.h"
#include "SqlQuery.h"
#include "Statements.h"

#include <QHash>
#include <QSet>

namespace drv {

namespace {

constexpr int kWalkPage = 500;
constexpr int kMostInList = 400;

// The index's counts as one read of it; false when it is not the worker's complete index.
bool readIndexed(QHash<QString, int>& counts)
{
    auto& g = searchState();
    const IndexWorker::Status st = g->worker->status();
    sqlite3* reader = openIndexReader(st.generation);
    if (!reader || !sql::quietRun(reader, sql::kBeginRead)) return false;
    bool ok = false;
    {
        sql::Query meta(reader, sql::kMetaGen);
        ok = meta.next() && meta.number(0) == st.generation && meta.number(1) == 1;
    }
    if (ok) {
        sql::Query q(reader, sql::kCounts);
        while (q.next())
            counts.insert(DateKey::fromNumber(q.number(0)), int(q.number(1)));
        ok = q.ok();
    }
    sql::quietRun(reader, sql::kCommit);
    return ok;
}

// The days this copy changed that the worker may not have taken yet, read as they are now.
bool recount(const QStringList& keys, QHash<QString, int>& counts)
{
    for (qsizetype from = 0; from < keys.size(); from += kMostInList) {
        const QStringList part = keys.mid(from, kMostInList);
        Statement st{sql::inList(sql::kCountBodiesOf, part.size()), {}};
        for (const QString& k : part) {
            st.values << k;
            counts.remove(k);
        }
        ColumnTable t;
        int n = 0;
        if (!DbGetRows(st, t, n)) return false;
        for (int i = 0; i < n; ++i)
            counts.insert(t[0][i].toString(), int(jp::countCharacters(t[1][i].toString())));
    }
    return true;
}

bool countEveryBody(QHash<QString, int>& counts)
{
    return diary::walk(kWalkPage, [&](const QList<DiaryEntry>& page) {
        for (const DiaryEntry& e : page)
            counts.insert(e.skYmn, int(jp::countCharacters(e.szDoc)));
        return true;
    });
}

} // namespace

bool diary::dayCounts(QList<DayCount>& days)
{
    days.clear();
    QHash<QString, int> counts;
    bool ok = false;
    if (indexCurrent(true) && readIndexed(counts)) {
        auto& g = searchState();
        QSet<QString> own(g->dirty.keyBegin(), g->dirty.keyEnd());
        for (const QString& k : own::openKeys())
            own.insert(k);
        ok = recount(QStringList(own.cbegin(), own.cend()), counts);
    } else {
        counts.clear();
        ok = countEveryBody(counts);
    }
    days.reserve(counts.size());
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (DateKey::isKey(it.key())) days.append({it.key(), it.value()});
    return ok;
}

} // namespace drv
