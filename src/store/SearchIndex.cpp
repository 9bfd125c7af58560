#include "SearchIndex.h"

#include "DateKey.h"
#include "Platform.h"
#include "Statements.h"
#include "TextMatch.h"

#include <QStringList>

#include <sqlite3.h>

#include <algorithm>

namespace drv {

namespace {

constexpr int kIndexVersion = 1;
const char* const kTokenizer = "drv_bigram";

// --- tokenizer ------------------------------------------------------------

int tokCreate(void*, const char**, int, Fts5Tokenizer** out)
{
    static int dummy;
    *out = reinterpret_cast<Fts5Tokenizer*>(&dummy);
    return SQLITE_OK;
}

void tokDelete(Fts5Tokenizer*) {}

int emit(void* ctx, int (*xToken)(void*, int, const char*, int, int, int), const char32_t* c, int n,
         int nText)
{
    const QByteArray utf8 = QString::fromUcs4(c, n).toUtf8();
    return xToken(ctx, 0, utf8.constData(), int(utf8.size()), 0, nText);
}

// Documents: a token at every character, the pair starting there (the last character
// alone). Queries: the pairs of the phrase, or its one character.
int tokTokenize(Fts5Tokenizer*, void* ctx, int flags, const char* text, int nText,
                int (*xToken)(void*, int, const char*, int, int, int))
{
    const QList<uint> cps = fold(QString::fromUtf8(text, nText)).toUcs4();
    std::u32string s(cps.begin(), cps.end());
    const int n = int(s.size());
    const bool query = (flags & FTS5_TOKENIZE_QUERY) != 0;
    if (query && n == 1) return emit(ctx, xToken, s.data(), 1, nText);
    for (int i = 0; i < n; ++i) {
        const int len = i + 1 < n ? 2 : 1;
        if (query && len == 1) break;
        if (const int rc = emit(ctx, xToken, s.data() + i, len, nText); rc != SQLITE_OK) return rc;
    }
    return SQLITE_OK;
}

fts5_api* ftsApi(sqlite3* db)
{
    fts5_api* api = nullptr;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &st, nullptr) != SQLITE_OK) return nullptr;
    sqlite3_bind_pointer(st, 1, &api, "fts5_api_ptr", nullptr);
    sqlite3_step(st);
    sqlite3_finalize(st);
    return api;
}

// --- statements -----------------------------------------------------------

bool exec(const QString& text, std::initializer_list<StoreValue> values = {})
{
    Statement st{text, {}};
    SqlSet(st, values);
    int n = 0;
    return DbExec(st, n);
}

bool buildIndex(const std::function<void(int, int)>& progress)
{
    if (!exec(sql::kBeginWrite)) return false;
    bool ok = exec(sql::kIndexDropIns) && exec(sql::kIndexDropDel) && exec(sql::kIndexDropUpd) &&
              exec(sql::kIndexDrop) && exec(sql::kIndexCreate) && exec(sql::kIndexTriggerIns) &&
              exec(sql::kIndexTriggerDel) && exec(sql::kIndexTriggerUpd);
    int total = 0;
    ok = ok && DbGetRec(Statement{sql::kCountAll, {}}, total);
    // A year at a time, so the user sees it move.
    int done = 0;
    for (int yy = 0; ok && yy < 100; ++yy) {
        const QString y = QString::number(yy).rightJustified(2, u'0');
        ok = exec(sql::kIndexRange, {y, y + QStringLiteral("9999")});
        int inYear = 0;
        Statement c{sql::kCountRange, {}};
        SqlSet(c, {y, y + QStringLiteral("9999")});
        ok = ok && DbGetRec(c, inYear);
        done += inYear;
        if (ok && progress) progress(std::min(done, total), total);
    }
    ok = ok && exec(sql::kIndexVersionSet + QString::number(kIndexVersion));
    if (ok) return exec(sql::kCommit);
    DbRollback();
    return false;
}

QStringList pieces(const QString& word)
{
    QStringList out;
    for (const QString& raw : word.split(u'*')) {
        const QString f = fold(raw);
        if (!f.isEmpty()) out << f;
    }
    return out;
}

bool fetchEntries(const QStringList& keys, QMap<QString, QList<StoreValue>>& rows)
{
    if (keys.isEmpty()) return true;
    QString marks = QStringLiteral("?");
    for (int i = 1; i < keys.size(); ++i)
        marks += QStringLiteral(",?");
    Statement st{sql::kEntriesIn + marks + u')', {}};
    for (const QString& k : keys)
        st.values << k;
    ColumnTable t;
    int n = 0;
    if (!DbGetRows(st, t, n)) return false;
    for (int i = 0; i < n; ++i)
        rows.insert(t[0][i].toString(), {t[0][i], t[1][i], t[2][i]});
    return true;
}

} // namespace

bool registerSearchTokenizer(sqlite3* db)
{
    fts5_api* api = ftsApi(db);
    if (!api) return false;
    static fts5_tokenizer tok = {tokCreate, tokDelete, tokTokenize};
    return api->xCreateTokenizer(api, kTokenizer, nullptr, &tok, nullptr) == SQLITE_OK;
}

bool hasSearchIndex()
{
    int n = 0, version = 0;
    return DbGetRec(Statement{sql::kIndexPresent, {}}, n) && n == 1 &&
           DbGetRec(Statement{sql::kIndexVersionGet, {}}, version) && version == kIndexVersion;
}

bool ensureSearchIndex(const std::function<void(int, int)>& progress)
{
    return hasSearchIndex() || buildIndex(progress);
}

QString searchIndexQuery(const QString& word)
{
    QStringList terms;
    for (const QString& p : pieces(word)) {
        QString quoted = p;
        quoted.replace(u'"', QStringLiteral("\"\""));
        quoted = u'"' + quoted + u'"';
        if (p.toUcs4().size() == 1) quoted += u'*';
        terms << quoted;
    }
    return terms.join(QStringLiteral(" AND "));
}

bool LatestUpTo(const QString& key, ColumnTable& table, int& count)
{
    if (!DateKey::isKey(key)) {
        Statement st{sql::kTop50 + sql::kUpTo + sql::kNewestFirst, {}};
        SqlSet(st, {key});
        return DbGetRows(st, table, count);
    }
    // Keys up to the pivot year belong to the later century, so the newest come first
    // from there, then from the earlier one; each part is a range of the key's index.
    const QString pivot = DateKey::pivot(services().clock->today()) + QStringLiteral("9999");
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

bool ScanWord(const QString& word, ColumnTable& table, int& count)
{
    Statement st{sql::kTop50 + sql::kWithWord + sql::kNewestFirst, {}};
    SqlSet(st, {word});
    return DbGetRows(st, table, count);
}

bool SearchWord(const QString& word, ColumnTable& table, int& count)
{
    const QString query = searchIndexQuery(word);
    if (query.isEmpty() || !hasSearchIndex()) return ScanWord(word, table, count);
    count = 0;
    table = ColumnTable(3);
    // One piece is matched exactly by the index; several must still be in order.
    const bool verify = pieces(word).size() > 1;
    const int page = verify ? kMaxRows : 50;
    for (int offset = 0; count < 50; offset += page) {
        Statement st{sql::kIndexMatch, {}};
        SqlSet(st, {query, page, offset});
        ColumnTable keys;
        int n = 0;
        if (!DbGetRows(st, keys, n)) return false;
        for (int from = 0; from < n && count < 50; from += 50) {
            QStringList batch;
            for (int i = from; i < std::min(n, from + 50); ++i)
                batch << keys[0][i].toString();
            QMap<QString, QList<StoreValue>> rows;
            if (!fetchEntries(batch, rows)) return false;
            for (const QString& k : batch) {
                const auto it = rows.constFind(k);
                if (it == rows.cend() || count >= 50) continue;
                if (verify && !matches(it->at(2).toString(), word)) continue;
                for (int c = 0; c < 3; ++c)
                    table[c].append(it->at(c));
                ++count;
            }
        }
        if (n < page) break;
    }
    if (count == 0) table.clear();
    return true;
}

} // namespace drv
