#include "Store.h"

#include "DateKey.h"
#include "Diary.h"
#include "DiaryKeys.h"
#include "DiaryListener.h"
#include "Globals.h"
#include "KeySlot.h"
#include "Platform.h"
#include "SqlQuery.h"
#include "Statements.h"
#include "SyncedFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>

#include <sqlite3.h>

#include <unistd.h>

#include <chrono>
#include <future>
#include <mutex>
#include <optional>

namespace drv {

namespace {

const QString kConnection = QStringLiteral("drvesk");
const QString kDbName = QStringLiteral("dbVesk.mdb");
// Long enough that a second running copy waits for the other's save instead of failing.
constexpr int kBusyTimeoutMs = 5000;

std::unique_ptr<vault::KeySet> g_unlocked; // keys already known for the next open
QString g_pivot;          // two-digit year at and below which keys belong to the later century
qint64 g_seenVersion = 0; // the diary's data version as last looked at
bool g_readOnly = false;
bool g_heldElsewhere = false;
// The open diary's file while it can only be read, for copies made on other threads.
std::mutex g_refusedLock;
QString g_refusedPath;
// A commit running on a thread of its own: the connection is its until it has ended.
std::optional<std::future<void>> g_commit;

QSqlDatabase oDb()
{
    return QSqlDatabase::database(kConnection, false);
}

// The engine's words are terse and English; a fault of the file or the disk gets a plain
// line first, so the user knows what happened and what to do.
QString faultOf(int code)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("ほかのプログラムが日記ファイルを使っています。"
                              "しばらくしてからやり直してください");
    case SQLITE_READONLY:
        if (g_heldElsewhere)
            return QStringLiteral(
                "この日記は、ほかのプログラムが使用中のため読み取り専用で開いています。"
                "書き込むには、そのプログラムで日記を閉じてから開き直してください");
        [[fallthrough]];
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
        return QStringLiteral("日記ファイルに書き込めません。"
                              "ファイルとフォルダに書き込めるか確かめてください");
    case SQLITE_FULL:
        return QStringLiteral("ディスクの空きが足りません");
    case SQLITE_IOERR:
        return QStringLiteral("日記ファイルの読み書きに失敗しました");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("日記ファイルが壊れているか、日記ファイルではありません");
    default:
        return {};
    }
}

void showFailure(const QString& text)
{
    services().dialogs->message(text);
}

// drv_ord(key): a text that sorts keys by their date in the century window.
void sqlOrder(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const auto* k = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    if (!k) {
        sqlite3_result_null(ctx);
        return;
    }
    const QByteArray key(k, sqlite3_value_bytes(argv[0]));
    const QByteArray pivot = g_pivot.toLatin1();
    const QByteArray ord = (key.left(2) <= pivot ? "1" : "0") + key;
    sqlite3_result_text(ctx, ord.constData(), int(ord.size()), SQLITE_TRANSIENT);
}

bool registerFunctions(QSqlDatabase& db)
{
    sqlite3* handle = sql::handleOf(db);
    return handle && registerDiaryText(handle) &&
           sqlite3_create_function(handle, "drv_ord", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                   nullptr, sqlOrder, nullptr, nullptr) == SQLITE_OK;
}

// A new diary is readable by its owner only.
bool copyTemplate(const QString& from, const QString& to, QString& reason)
{
    if (!QFileInfo(from).isFile()) {
        reason = QStringLiteral("ひな形 %1 が見つかりません").arg(from);
        return false;
    }
    const QString part = to + QStringLiteral(".new");
    QFile::remove(part);
    QFile source(from);
    // On disk before it takes the diary's name, and the name on disk before the first save:
    // after a power cut a half-copied template would be taken for a damaged diary.
    if (!source.open(QIODevice::ReadOnly) || !writeSynced(part, source.readAll())) {
        reason = QStringLiteral("フォルダに書き込めません");
        return false;
    }
    // rename() never replaces an existing file, so a diary made meanwhile stays.
    if (!renameSynced(part, to)) {
        QFile::remove(part);
        if (!QFileInfo(to).isFile()) {
            reason = QStringLiteral("フォルダに書き込めません");
            return false;
        }
    }
    return true;
}

bool openConnection(const QString& path, bool heldElsewhere, QString& reason)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
    db.setDatabaseName(path);
    // A diary that cannot be written (its file, or the medium it is on) is opened for
    // reading: it shows, lists and searches, and only a save says it cannot be written.
    g_heldElsewhere = heldElsewhere;
    g_readOnly = heldElsewhere || ::access(QFile::encodeName(path).constData(), W_OK) != 0;
    db.setConnectOptions(
        QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1%2")
            .arg(kBusyTimeoutMs)
            .arg(g_readOnly ? QStringLiteral(";QSQLITE_OPEN_READONLY") : QString()));
    if (!db.open()) {
        const QSqlError e = db.lastError();
        reason = e.databaseText().isEmpty() ? e.text() : e.databaseText();
        return false;
    }
    if (!registerFunctions(db)) {
        reason = QStringLiteral("SQLite の関数を登録できません");
        return false;
    }
    // A read proves the file is a diary without writing a byte to it.
    sqlite3* handle = sql::handleOf(db);
    {
        sql::Query probe(handle, sql::kProbe);
        if (!probe.run()) {
            const QString text = probe.lastError();
            const QString fault = faultOf(probe.errorCode());
            reason = text.contains(QStringLiteral("no such table"))
                         ? QStringLiteral("日記のデータベースではありません (%1)").arg(text)
                     : fault.isEmpty() ? text
                                       : QStringLiteral("%1 (%2)").arg(fault, text);
            return false;
        }
    }
    // The folder is synced too once the journal is gone, so a save that returned
    // survives a power cut right after it. (After the read, which has loaded the schema:
    // before it, this would wait out a lock a second time.)
    sql::quietRun(handle, sql::kSyncExtra);
    if (g_readOnly) {
        const std::lock_guard<std::mutex> guard(g_refusedLock);
        g_refusedPath = QFileInfo(path).canonicalFilePath();
    }
    return true;
}

// Text stays text and numbers numbers; the empty (or null) value is the empty text.
QVariant bindable(const StoreValue& v)
{
    if (!v.isValid() || v.isNull()) return QStringLiteral("");
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::QByteArray: // a sealed value
        return v;
    default: {
        // A null string would be bound as NULL, which compares with nothing.
        const QString text = v.toString();
        return text.isNull() ? QStringLiteral("") : text;
    }
    }
}

// Unfilled placeholders stand for a literal "?".
void bindStatement(sql::Query& q, const Statement& st)
{
    const qsizetype slots = st.text.count(u'?');
    for (qsizetype i = 0; i < slots; ++i)
        q.bind(i < st.values.size() ? bindable(st.values.at(i)) : QStringLiteral("?"));
}

bool ensureOpen()
{
    if (oDb().isOpen()) return true;
    showFailure(QStringLiteral("日記ファイルが開かれていません"));
    return false;
}

// The engine's description, after a plain line and the file's name for a fault of the
// file or the disk.
void showStatementFailure(const sql::Query& q)
{
    const QString fault = faultOf(q.errorCode());
    showFailure(fault.isEmpty()
                    ? q.lastError()
                    : QStringLiteral("%1\n%2\n%3").arg(fault, oDb().databaseName(), q.lastError()));
}

// Binds the statement's values and steps it once: a write is then done, a read stands on
// its first row (hasRow) or has none.
bool run(sql::Query& q, const Statement& st, bool& hasRow)
{
    bindStatement(q, st);
    hasRow = q.next();
    // Whoever follows the diary's changes takes them once their transaction ends.
    detail::tellStatementDone();
    if (!q.ok()) showStatementFailure(q);
    return q.ok();
}

sqlite3* handle()
{
    // The connection is used by one thread at a time.
    if (g_commit) g_commit->wait();
    return sql::handleOf(oDb());
}

} // namespace

bool DbOpen(bool heldElsewhere)
{
    const QString path = sUsrFld + kDbName;
    QString reason;
    // A diary another copy holds is never made here: that copy would not see it.
    bool ok = QFileInfo(path).isFile() ||
              (!heldElsewhere && copyTemplate(sApFld + kDbName, path, reason));
    if (ok) {
        ok = openConnection(path, heldElsewhere, reason);
        if (!ok) DbClose();
    }
    if (!ok) {
        showFailure(QStringLiteral("日記ファイルを開けません\n%1\n%2").arg(path, reason));
        return false;
    }
    detail::setOpenCancelled(false);
    // An encrypted diary opens once its password (or recovery key) has unwrapped its key;
    // until then nothing of it is read, and nothing is written.
    if (const auto slots = readKeySlots(handle()); !slots.isEmpty()) {
        // The desktop's keyring first, when the person chose it; the password otherwise.
        auto keys = g_unlocked ? std::move(g_unlocked) : unlockFromKeyring(slots);
        if (!keys) keys = askToUnlock(slots);
        if (!keys) {
            DbClose();
            detail::setOpenCancelled(true);
            return false;
        }
        detail::setDiaryKeys(std::move(keys));
    }
    g_pivot = DateKey::pivot(services().clock->today());
    g_seenVersion = sql::quietNumber(handle(), sql::kDiaryVersion);
    if (!detail::tellOpened(path, sql::handleOf(oDb()))) {
        DbClose();
        showFailure(QStringLiteral("日記ファイルを開けません\n%1\n%2")
                        .arg(path, QStringLiteral("SQLite の関数を登録できません")));
        return false;
    }
    return true;
}

bool isDiaryPassword(const QString& password)
{
    return DbIsOpen() && vault::unwrap(readKeySlots(handle()).value(kPasswordSlot), password);
}

bool DbHasKeyringSlot()
{
    return DbIsEncrypted() && readKeySlots(handle()).contains(kKeyringSlot);
}

bool DbOpenUnlocked(std::unique_ptr<vault::KeySet> keys)
{
    g_unlocked = std::move(keys);
    const bool ok = DbOpen();
    g_unlocked.reset();
    return ok;
}

void DbClose()
{
    if (oDb().isOpen()) detail::tellClosing();
    {
        QSqlDatabase db = oDb();
        if (db.isValid()) db.close();
    }
    if (QSqlDatabase::contains(kConnection)) QSqlDatabase::removeDatabase(kConnection);
    detail::setDiaryKeys(nullptr);
    g_heldElsewhere = false;
    const std::lock_guard<std::mutex> guard(g_refusedLock);
    g_refusedPath.clear();
}

bool DbIsOpen()
{
    return oDb().isOpen();
}

bool diary::changedElsewhere()
{
    // A commit running on its thread holds the connection: asked again later.
    if (g_commit || !DbIsOpen()) return false;
    bool ok = false;
    const qint64 v = sql::quietNumber(handle(), sql::kDiaryVersion, &ok);
    if (!ok || v == g_seenVersion) return false;
    g_seenVersion = v;
    return true;
}

bool DbIsReadOnly()
{
    return DbIsOpen() && g_readOnly;
}

bool DbIsHeldElsewhere()
{
    return DbIsOpen() && g_heldElsewhere;
}

bool DbRefusesWritesTo(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const std::lock_guard<std::mutex> guard(g_refusedLock);
    return !g_refusedPath.isEmpty() && canonical == g_refusedPath;
}

QString orderPivot()
{
    return g_pivot;
}

void SqlSet(Statement& st, std::initializer_list<StoreValue> values)
{
    for (const StoreValue& v : values)
        st.values.append(v);
}

StoreValue FldDef(const QString& column)
{
    const QChar c = column.isEmpty() ? QChar() : column.front().toUpper();
    if (c == u'S') return QStringLiteral("");
    if (c == u'D') return StoreValue();
    return 0;
}

bool DbExec(const Statement& st, int& count)
{
    count = 0;
    if (!ensureOpen()) return false;
    sql::Query q(handle(), st.text);
    bool hasRow = false;
    if (!run(q, st, hasRow)) return false;
    count = q.changes();
    return true;
}

void DbRollback()
{
    if (!oDb().isOpen()) return;
    sql::quietRun(handle(), sql::kRollback);
    detail::tellStatementDone();
}

bool DbCommitAway(const std::function<void()>& meanwhile)
{
    if (!ensureOpen()) return false;
    sqlite3* h = handle();
    std::optional<sql::Query> q;
    g_commit = std::async(std::launch::async, [h, &q] {
        q.emplace(h, sql::kCommit);
        q->run();
    });
    while (g_commit->wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        if (meanwhile) meanwhile();
    g_commit.reset();
    detail::tellStatementDone();
    if (!q->ok()) showStatementFailure(*q);
    return q->ok();
}

bool detail::getRec(const Statement& st, qsizetype targets, QList<StoreValue>& row)
{
    row.clear();
    bool ok = ensureOpen();
    sql::Query q(ok ? handle() : nullptr, st.text);
    bool hasRow = false;
    ok = ok && run(q, st, hasRow);
    if (ok) {
        const int columns = q.columns();
        if (columns > targets) {
            showFailure(
                QStringLiteral("受け取り先が足りません (%1 列に %2 個)").arg(columns).arg(targets));
            ok = false;
        } else {
            for (int i = 0; i < columns; ++i) {
                const QVariant v = hasRow ? q.value(i) : QVariant();
                row.append(!hasRow || v.isNull() ? FldDef(q.columnName(i)) : v);
            }
        }
    }
    if (!ok) row = QList<StoreValue>(targets);
    return ok;
}

bool DbGetRows(const Statement& st, ColumnTable& table, int& count)
{
    count = 0;
    table.clear();
    if (!ensureOpen()) return false;
    sql::Query q(handle(), st.text);
    bool hasRow = false;
    if (!run(q, st, hasRow)) return false;
    const int columns = q.columns();
    QStringList names;
    for (int c = 0; c < columns; ++c)
        names << q.columnName(c);
    table.resize(columns);
    for (; hasRow && count < kMaxRows; hasRow = q.next()) {
        for (int c = 0; c < columns; ++c)
            table[c].append(q.value(c));
        ++count;
    }
    if (!q.ok()) {
        showStatementFailure(q);
        table.clear();
        count = 0;
        return false;
    }
    if (count == 0) table.clear();
    // Sealed titles and bodies are opened; a day whose values do not open reads empty and
    // is named, and the other days are read as ever.
    const QStringList unreadable = openTable(table, count, names);
    if (names.contains(QStringLiteral("szDoc"))) showUnreadableDays(unreadable);
    return true;
}

bool DbExecEach(const QString& text, const QList<QList<StoreValue>>& rows,
                const std::function<bool(qsizetype done)>& keepGoing, bool& stopped)
{
    stopped = false;
    if (!ensureOpen()) return false;
    sql::Query q(handle(), text);
    for (qsizetype i = 0; q.ok() && i < rows.size(); ++i) {
        if (i > 0) q.reset();
        for (const StoreValue& v : rows.at(i))
            q.bind(bindable(v));
        if (!q.run()) break;
        if (keepGoing && !keepGoing(i + 1)) {
            stopped = true;
            return false;
        }
    }
    if (!q.ok()) showStatementFailure(q);
    return q.ok();
}

} // namespace drv
