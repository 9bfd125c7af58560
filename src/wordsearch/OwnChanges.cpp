// The engine reports each row change before it is made, with the row's values before and
// after; the hook is built into the system's SQLite (SQLITE_ENABLE_PREUPDATE_HOOK).
#define SQLITE_ENABLE_PREUPDATE_HOOK 1

#include "OwnChanges.h"

#include "DiaryKeys.h"
#include "IndexFile.h"

#include <sqlite3.h>

#include <algorithm>

namespace drv {

quint64 lastSeq(const QList<OwnChange>& changes)
{
    quint64 top = 0;
    for (const OwnChange& c : changes)
        top = std::max(top, c.seq);
    return top;
}
} // namespace drv

namespace drv::own {

namespace {

struct Watch {
    sqlite3* db = nullptr;
    int keyColumn = -1;
    int bodyColumn = -1;
    qint64 schemaVersion = 0;
    bool unknown = false;
    QList<OwnChange> changes;
};

Watch g_watch;

QString textOf(sqlite3_value* v)
{
    const void* t = sqlite3_value_text16(v);
    if (!t) return {};
    return QString::fromUtf16(static_cast<const char16_t*>(t), sqlite3_value_bytes16(v) / 2);
}

// The body a row had, and its digest as drv_fp gives it. A sealed body is opened first:
// the index knows bodies by their text.
void bodyOf(OwnChange& c, sqlite3_value* body)
{
    if (sqlite3_value_type(body) == SQLITE_BLOB) {
        const QByteArray stored(static_cast<const char*>(sqlite3_value_blob(body)),
                                sqlite3_value_bytes(body));
        QString text;
        if (textOfStored(c.key, QStringLiteral("szDoc"), stored, text)) {
            const QByteArray utf8 = text.toUtf8();
            c.digestBefore = index::digestOf(utf8.constData(), int(utf8.size()));
            c.bodyBefore = text;
            return;
        }
    }
    // The digest from the UTF-8 text, as drv_fp takes it, before the text is read again as
    // UTF-16 for the terms.
    const auto* utf8 = reinterpret_cast<const char*>(sqlite3_value_text(body));
    c.digestBefore = index::digestOf(utf8, utf8 ? sqlite3_value_bytes(body) : 0);
    c.bodyBefore = textOf(body);
}

void onChange(void* context, sqlite3* db, int op, const char* schema, const char* table,
              sqlite3_int64, sqlite3_int64)
{
    auto* w = static_cast<Watch*>(context);
    if (sqlite3_stricmp(schema, "main") != 0 || sqlite3_stricmp(table, "tbDoc") != 0) return;
    if (w->keyColumn < 0 || w->keyColumn >= sqlite3_preupdate_count(db)) {
        w->unknown = true;
        return;
    }
    QString oldKey;
    if (op == SQLITE_DELETE || op == SQLITE_UPDATE) {
        sqlite3_value* key = nullptr;
        if (sqlite3_preupdate_old(db, w->keyColumn, &key) != SQLITE_OK) {
            w->unknown = true;
            return;
        }
        OwnChange c;
        c.key = oldKey = textOf(key);
        sqlite3_value* body = nullptr;
        if (w->bodyColumn >= 0 && w->bodyColumn < sqlite3_preupdate_count(db) &&
            sqlite3_preupdate_old(db, w->bodyColumn, &body) == SQLITE_OK) {
            bodyOf(c, body);
            c.hadBody = true;
        }
        w->changes << c;
    }
    if (op == SQLITE_INSERT || op == SQLITE_UPDATE) {
        sqlite3_value* key = nullptr;
        if (sqlite3_preupdate_new(db, w->keyColumn, &key) != SQLITE_OK) {
            w->unknown = true;
            return;
        }
        const QString newKey = textOf(key);
        if (op == SQLITE_INSERT || newKey != oldKey)
            w->changes << OwnChange{newKey, false, {}, {}, 0};
    }
}

} // namespace

void watch(sqlite3* db, int keyColumn, int bodyColumn, qint64 schemaVersion)
{
    g_watch = Watch{db, keyColumn, bodyColumn, schemaVersion, false, {}};
    sqlite3_preupdate_hook(db, onChange, &g_watch);
}

void unwatch(sqlite3* db)
{
    if (g_watch.db != db) return;
    sqlite3_preupdate_hook(db, nullptr, nullptr);
    g_watch = Watch{};
}

bool takeFinished(sqlite3* db, const std::function<qint64()>& schemaVersion,
                  QList<OwnChange>& changes, bool& unknown)
{
    if (g_watch.db != db || (g_watch.changes.isEmpty() && !g_watch.unknown) ||
        !sqlite3_get_autocommit(db))
        return false;
    // Columns taken from an older schema may have named the wrong ones.
    unknown = g_watch.unknown || schemaVersion() != g_watch.schemaVersion;
    changes.swap(g_watch.changes);
    g_watch.changes.clear();
    g_watch.unknown = false;
    return true;
}

QStringList openKeys()
{
    QStringList keys;
    for (const OwnChange& c : g_watch.changes)
        keys << c.key;
    return keys;
}

} // namespace drv::own
