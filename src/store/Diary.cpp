#include "Diary.h"

#include "DateKey.h"
#include "DiaryKeys.h"
#include "Platform.h"
#include "Statements.h"

#include <algorithm>

namespace drv {

bool LatestUpTo(const QString& key, ColumnTable& table, int& count)
{
    if (!DateKey::isKey(key)) {
        Statement st{sql::kTop50 + sql::kUpTo + sql::kNewestFirst, {}};
        SqlSet(st, {key});
        return DbGetRows(st, table, count);
    }
    // Keys up to the pivot year belong to the later century, so the newest come first
    // from there, then from the earlier one; each part is a range of the key's index.
    const QString pivot = orderPivot() + QStringLiteral("9999");
    const bool laterCentury = key <= pivot;
    const QString& range = sql::kLatestInRange;
    count = 0;
    table.clear();
    Statement first{range, {}};
    SqlSet(first, {key, laterCentury ? QString() : pivot, 50});
    if (!DbGetRows(first, table, count)) return false;
    if (!laterCentury || count >= 50) return true;
    Statement earlier{range, {}};
    SqlSet(earlier, {QStringLiteral("999999"), pivot, 50 - count});
    ColumnTable more;
    int n = 0;
    if (!DbGetRows(earlier, more, n)) return false;
    if (n == 0) return true;
    if (table.isEmpty()) table = ColumnTable(3);
    for (int c = 0; c < 3; ++c)
        table[c] += more[c];
    count += n;
    return true;
}

namespace diary {

namespace {

bool exec(const QString& text, std::initializer_list<StoreValue> values, int& n)
{
    Statement st{text, {}};
    SqlSet(st, values);
    return DbExec(st, n);
}

bool exec(const QString& text)
{
    int n = 0;
    return DbExec(Statement{text, {}}, n);
}

bool monthRows(const QString& select, const QString& month, ColumnTable& t, int& n)
{
    Statement st{select + sql::kMonthRange + sql::kByKey, {}};
    SqlSet(st, {month, month + QStringLiteral("32")});
    return DbGetRows(st, t, n);
}

bool edgeDay(const QString& fn, QString& key)
{
    QString ord;
    if (!DbGetRec(Statement{sql::kSelect + fn + sql::kOfKeys, {}}, ord)) return false;
    key = sql::keyOfOrd(ord);
    if (key == u"0") key.clear(); // an empty diary reads as the column's default
    return true;
}

bool saveInTransaction(const QString& key, const QString& title, const QString& body)
{
    int n = 0;
    if (!count(key, n)) return false;
    int changed = 0;
    const StoreValue t = storedValue(key, QStringLiteral("szTtl"), title);
    const StoreValue b = storedValue(key, QStringLiteral("szDoc"), body);
    if (n != 0) return exec(sql::kUpdate + sql::kWhereKey, {t, b, key}, changed);
    return exec(sql::kInsert + sql::kValues, {t, b, key}, changed);
}

// The later century's keys are those at and below the pivot year's last day.
QString pivotKey()
{
    return DateKey::pivot(services().clock->today()) + QStringLiteral("9999");
}

} // namespace

QList<DiaryEntry> entriesOf(const ColumnTable& table, int count)
{
    QList<DiaryEntry> rows;
    rows.reserve(count);
    const int columns = int(table.size());
    for (int i = 0; i < count; ++i) {
        DiaryEntry e;
        if (columns > 0) e.skYmn = table[0][i].toString();
        if (columns > 1) e.szTtl = table[1][i].toString();
        if (columns > 2) e.szDoc = table[2][i].toString();
        rows.append(e);
    }
    return rows;
}

bool read(const QString& key, QString& title, QString& body)
{
    Statement st{sql::kEntry, {}};
    SqlSet(st, {key});
    StoreValue t, b;
    if (!DbGetRec(st, t, b)) {
        title.clear();
        body.clear();
        return false;
    }
    if (textOfStored(key, QStringLiteral("szTtl"), t, title) &&
        textOfStored(key, QStringLiteral("szDoc"), b, body))
        return true;
    // A damaged or altered entry fails for its own day; every other day reads as ever.
    title.clear();
    body.clear();
    showUnreadableDays({key});
    return false;
}

bool count(const QString& key, int& n)
{
    Statement st{sql::kCountKey, {}};
    SqlSet(st, {key});
    n = 0;
    return DbGetRec(st, n);
}

bool save(const QString& key, const QString& title, const QString& body)
{
    if (!exec(sql::kBeginWrite)) return false;
    if (saveInTransaction(key, title, body) && exec(sql::kCommit)) return true;
    DbRollback();
    return false;
}

bool remove(const QString& key, int& removed)
{
    return exec(sql::kDelete, {key}, removed);
}

bool move(const QString& from, const QString& to, int& moved)
{
    if (!DbIsEncrypted()) return exec(sql::kMoveKey, {to, from}, moved);
    // The day is part of what seals the entry, so it is sealed anew for its new day.
    moved = 0;
    QString title, body;
    int n = 0;
    if (!count(from, n)) return false;
    if (n == 0) return true;
    if (!read(from, title, body)) return false;
    return exec(sql::kMoveSealed,
                {to, storedValue(to, QStringLiteral("szTtl"), title),
                 storedValue(to, QStringLiteral("szDoc"), body), from},
                moved);
}

bool correct(const QString& key, const QString& body, int& changed)
{
    return exec(sql::kCorrect, {storedValue(key, QStringLiteral("szDoc"), body), key}, changed);
}

bool monthEntries(const QString& month, QList<DiaryEntry>& rows)
{
    ColumnTable t;
    int n = 0;
    const bool ok = monthRows(sql::kMonthList, month, t, n);
    rows = entriesOf(t, n);
    return ok;
}

bool monthDays(const QString& month, QStringList& keys)
{
    ColumnTable t;
    int n = 0;
    keys.clear();
    if (!monthRows(sql::kMonthKeys, month, t, n)) return false;
    for (int i = 0; i < n; ++i)
        keys << t[0][i].toString();
    return true;
}

bool firstDay(QString& key)
{
    return edgeDay(sql::kMin, key);
}

bool lastDay(QString& key)
{
    return edgeDay(sql::kMax, key);
}

bool latestUpTo(const QString& key, QList<DiaryEntry>& rows)
{
    // No day, nothing up to it.
    if (!DateKey::isKey(key)) {
        rows.clear();
        return true;
    }
    ColumnTable t;
    int n = 0;
    const bool ok = LatestUpTo(key, t, n);
    rows = entriesOf(t, n);
    return ok;
}

bool sameDayEveryYear(const QString& key, QList<DiaryEntry>& rows)
{
    rows.clear();
    const QDate day = DateKey::toDate(key, services().clock->today());
    if (!day.isValid()) return true;
    const QString mmdd = key.mid(2);
    const bool withLeapDay = day.month() == 2 && day.day() == 28 && !QDate::isLeapYear(day.year());
    Statement st{sql::kSameDayEveryYear, {}};
    SqlSet(st, {mmdd, withLeapDay ? QStringLiteral("0229") : mmdd});
    ColumnTable t;
    int n = 0;
    const bool ok = DbGetRows(st, t, n);
    rows = entriesOf(t, n);
    return ok;
}

bool walk(int pageSize, const std::function<bool(const QList<DiaryEntry>& page)>& visit)
{
    pageSize = std::clamp(pageSize, 1, kMaxRows);
    const QString pivot = pivotKey();
    // The earlier century first (keys above the pivot), then the later one.
    for (const bool earlier : {true, false}) {
        QString after = earlier ? pivot : QString();
        for (;;) {
            Statement st{earlier ? sql::kWalkAbove : sql::kWalkRange, {}};
            if (earlier)
                SqlSet(st, {after, pageSize});
            else
                SqlSet(st, {after, pivot, pageSize});
            ColumnTable t;
            int n = 0;
            if (!DbGetRows(st, t, n)) return false;
            if (n == 0) break;
            const QList<DiaryEntry> page = entriesOf(t, n);
            if (!visit(page)) return true;
            if (n < pageSize) break;
            after = page.last().skYmn;
        }
    }
    return true;
}

} // namespace diary
} // namespace drv
