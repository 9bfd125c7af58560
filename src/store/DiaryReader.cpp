#include "DiaryReader.h"

#include "DateKey.h"
#include "DiaryKeys.h"
#include "Globals.h"
#include "Platform.h"
#include "SqlQuery.h"
#include "Statements.h"

#include <algorithm>

#include <sqlite3.h>

namespace drv::diary {

namespace {

// A writer (the window's save) waits this long for a page's read to end; a page takes
// a few milliseconds.
constexpr int kBusyMs = 5000;

DiaryEntry entryOf(const sql::Query& q)
{
    return {q.text(0), q.text(1), q.text(2)};
}

} // namespace

DiaryReader::DiaryReader()
    : path_(sUsrFld + QStringLiteral("dbVesk.mdb")),
      pivotKey_(DateKey::pivot(services().clock->today()) + QStringLiteral("9999")),
      encrypted_(DbIsEncrypted())
{
}

DiaryReader::~DiaryReader() = default;

bool DiaryReader::ready()
{
    if (db_) return true;
    if (encrypted_) {
        failure_ = QStringLiteral("暗号化した日記はここでは読めません");
        return false;
    }
    auto db = std::make_unique<sql::Connection>();
    if (!db->open(path_, SQLITE_OPEN_READONLY, failure_, kBusyMs)) return false;
    db_ = std::move(db);
    return true;
}

bool DiaryReader::count(int& n)
{
    n = 0;
    if (!ready()) return false;
    sql::Query q(db_->handle(), sql::kCountAll);
    if (q.next()) n = int(q.number(0));
    if (!q.ok()) failure_ = q.lastError();
    return q.ok();
}

bool DiaryReader::walk(int pageSize,
                       const std::function<bool(const QList<DiaryEntry>& page)>& visit)
{
    if (!ready()) return false;
    pageSize = std::clamp(pageSize, 1, kMaxRows);
    // The earlier century first (keys above the pivot), then the later one.
    for (const bool earlier : {true, false}) {
        // An empty text, not a null one: NULL compares with nothing.
        QString after = earlier ? pivotKey_ : QStringLiteral("");
        for (;;) {
            QList<DiaryEntry> page;
            page.reserve(pageSize);
            {
                sql::Query q(db_->handle(), earlier ? sql::kWalkAbove : sql::kWalkRange);
                if (earlier)
                    q.bind(after).bind(pageSize);
                else
                    q.bind(after).bind(pivotKey_).bind(pageSize);
                while (q.next())
                    page.append(entryOf(q));
                if (!q.ok()) {
                    failure_ = q.lastError();
                    return false;
                }
            }
            if (page.isEmpty()) break;
            if (!visit(page)) return true;
            if (page.size() < pageSize) break;
            after = page.last().skYmn;
        }
    }
    return true;
}

bool DiaryReader::read(const QString& key, std::optional<DiaryEntry>& entry)
{
    entry.reset();
    if (!ready()) return false;
    sql::Query q(db_->handle(), sql::kEntry, {key});
    if (q.next()) entry = DiaryEntry{key, q.text(0), q.text(1)};
    if (!q.ok()) {
        failure_ = q.lastError();
        return false;
    }
    if (entry && entry->szTtl.isEmpty() && entry->szDoc.isEmpty()) entry.reset();
    return true;
}

bool dataVersion(qint64& version)
{
    version = -1;
    return DbGetRec(Statement{sql::kDiaryVersion, {}}, version);
}

} // namespace drv::diary
