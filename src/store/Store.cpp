#include "Store.h"

#include "DateKey.h"
#include "Globals.h"
#include "Platform.h"
#include "SearchIndex.h"
#include "SearchTerms.h"
#include "Statements.h"
#include "TextMatch.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <sqlite3.h>

#include <unistd.h>

namespace drv {

namespace {

const QString kConnection = QStringLiteral("drvesk");
const QString kDbName = QStringLiteral("dbVesk.mdb");
// Long enough that a second running copy waits for the other's save instead of failing.
constexpr int kBusyTimeoutMs = 5000;

QString g_pivot; // two-digit year at and below which keys belong to the later century
bool g_readOnly = false;

QSqlDatabase oDb()
{
    return QSqlDatabase::database(kConnection, false);
}

QString describe(const QSqlError& e)
{
    return e.databaseText().isEmpty() ? e.text() : e.databaseText();
}

// The engine's words are terse and English; a fault of the file or the disk gets a plain
// line first, so the user knows what happened and what to do.
QString faultOf(const QSqlError& e)
{
    switch (e.nativeErrorCode().toInt() & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("ほかのプログラムが日記ファイルを使っています。"
                              "しばらくしてからやり直してください");
    case SQLITE_READONLY:
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

sqlite3* handleOf(const QSqlDatabase& db)
{
    const QVariant h = db.isValid() && db.driver() ? db.driver()->handle() : QVariant();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0) return nullptr;
    return *static_cast<sqlite3* const*>(h.constData());
}

bool registerFunctions(QSqlDatabase& db)
{
    sqlite3* handle = handleOf(db);
    if (!handle) return false;
    const int flags = SQLITE_UTF16 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function(handle, "drv_match", 2, flags, nullptr, sqlMatch, nullptr,
                                   nullptr) == SQLITE_OK &&
           sqlite3_create_function(handle, "drv_ord", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                   nullptr, sqlOrder, nullptr, nullptr) == SQLITE_OK &&
           terms::registerRetiredTokenizer(handle);
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
    if (!QFile::copy(from, part)) {
        reason = QStringLiteral("フォルダに書き込めません");
        return false;
    }
    QFile::setPermissions(part, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // rename() never replaces an existing file, so a diary made meanwhile stays.
    if (!QFile::rename(part, to)) {
        QFile::remove(part);
        if (!QFileInfo(to).isFile()) {
            reason = QStringLiteral("フォルダに書き込めません");
            return false;
        }
    }
    return true;
}

bool openConnection(const QString& path, QString& reason)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
    db.setDatabaseName(path);
    // A diary that cannot be written (its file, or the medium it is on) is opened for
    // reading: it shows, lists and searches, and only a save says it cannot be written.
    g_readOnly = ::access(QFile::encodeName(path).constData(), W_OK) != 0;
    db.setConnectOptions(
        QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1%2")
            .arg(kBusyTimeoutMs)
            .arg(g_readOnly ? QStringLiteral(";QSQLITE_OPEN_READONLY") : QString()));
    if (!db.open()) {
        reason = describe(db.lastError());
        return false;
    }
    if (!registerFunctions(db)) {
        reason = QStringLiteral("SQLite の関数を登録できません");
        return false;
    }
    // A read proves the file is a diary without writing a byte to it.
    QSqlQuery q(db);
    if (!q.exec(sql::kProbe)) {
        const QString text = describe(q.lastError());
        const QString fault = faultOf(q.lastError());
        reason = text.contains(QStringLiteral("no such table"))
                     ? QStringLiteral("日記のデータベースではありません (%1)").arg(text)
                 : fault.isEmpty() ? text
                                   : QStringLiteral("%1 (%2)").arg(fault, text);
        return false;
    }
    // The folder is synced too once the journal is gone, so a save that returned
    // survives a power cut right after it. (After the read, which has loaded the schema:
    // before it, this would wait out a lock a second time.)
    q.exec(sql::kSyncExtra);
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
        return v;
    default: {
        // A null string would be bound as NULL, which compares with nothing.
        const QString text = v.toString();
        return text.isNull() ? QStringLiteral("") : text;
    }
    }
}

bool prepare(QSqlQuery& q, const Statement& st)
{
    q.setForwardOnly(true);
    if (!q.prepare(st.text)) return false;
    const qsizetype slots = st.text.count(u'?');
    for (qsizetype i = 0; i < slots; ++i) {
        if (i < st.values.size())
            q.addBindValue(bindable(st.values.at(i)));
        else
            q.addBindValue(QStringLiteral("?"));
    }
    return true;
}

bool ensureOpen()
{
    if (oDb().isOpen()) return true;
    showFailure(QStringLiteral("日記ファイルが開かれていません"));
    return false;
}

bool run(QSqlQuery& q, const Statement& st)
{
    const bool ok = prepare(q, st) && q.exec();
    // The rows this statement changed go to the search index once their transaction ends.
    searchIndexStatementDone();
    if (!ok) {
        const QString fault = faultOf(q.lastError());
        showFailure(fault.isEmpty()
                        ? describe(q.lastError())
                        : QStringLiteral("%1\n%2\n%3")
                              .arg(fault, oDb().databaseName(), describe(q.lastError())));
        return false;
    }
    return true;
}

} // namespace

bool DbOpen()
{
    const QString path = sUsrFld + kDbName;
    QString reason;
    bool ok = QFileInfo(path).isFile() || copyTemplate(sApFld + kDbName, path, reason);
    if (ok) {
        ok = openConnection(path, reason);
        if (!ok) DbClose();
    }
    if (!ok) {
        showFailure(QStringLiteral("日記ファイルを開けません\n%1\n%2").arg(path, reason));
        return false;
    }
    g_pivot = DateKey::pivot(services().clock->today());
    sqlite3* handle = handleOf(oDb());
    retireOldIndex(handle);
    // The index is built or checked in the background; until it is ready, searches
    // read every body.
    startSearchIndex(path, handle);
    return true;
}

void DbClose()
{
    stopSearchIndex();
    {
        QSqlDatabase db = oDb();
        if (db.isValid()) db.close();
    }
    if (QSqlDatabase::contains(kConnection)) QSqlDatabase::removeDatabase(kConnection);
}

bool DbIsOpen()
{
    return oDb().isOpen();
}

bool DbIsReadOnly()
{
    return DbIsOpen() && g_readOnly;
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
    QSqlQuery q(oDb());
    if (!run(q, st)) return false;
    count = q.numRowsAffected();
    return true;
}

void DbRollback()
{
    if (!oDb().isOpen()) return;
    QSqlQuery q(oDb());
    q.exec(sql::kRollback);
    searchIndexStatementDone();
}

bool detail::getRec(const Statement& st, qsizetype targets, QList<StoreValue>& row)
{
    row.clear();
    bool ok = ensureOpen();
    QSqlQuery q(oDb());
    ok = ok && run(q, st);
    if (ok) {
        const QSqlRecord rec = q.record();
        if (rec.count() > targets) {
            showFailure(QStringLiteral("受け取り先が足りません (%1 列に %2 個)")
                            .arg(rec.count())
                            .arg(targets));
            ok = false;
        } else {
            const bool hasRow = q.next();
            for (int i = 0; i < rec.count(); ++i) {
                const QVariant v = hasRow ? q.value(i) : QVariant();
                row.append(!hasRow || v.isNull() ? FldDef(rec.fieldName(i)) : v);
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
    QSqlQuery q(oDb());
    if (!run(q, st)) return false;
    const int columns = q.record().count();
    table.resize(columns);
    while (count < kMaxRows && q.next()) {
        for (int c = 0; c < columns; ++c)
            table[c].append(q.value(c));
        ++count;
    }
    if (count == 0) table.clear();
    return true;
}

bool DbExecEach(const QString& text, const QList<QList<StoreValue>>& rows,
                const std::function<bool(qsizetype done)>& keepGoing, bool& stopped)
{
    stopped = false;
    if (!ensureOpen()) return false;
    QSqlQuery q(oDb());
    q.setForwardOnly(true);
    bool ok = q.prepare(text);
    for (qsizetype i = 0; ok && i < rows.size(); ++i) {
        const QList<StoreValue>& values = rows.at(i);
        for (qsizetype v = 0; v < values.size(); ++v)
            q.bindValue(int(v), bindable(values.at(v)));
        ok = q.exec();
        if (ok && keepGoing && !keepGoing(i + 1)) {
            stopped = true;
            return false;
        }
    }
    if (!ok) {
        const QString fault = faultOf(q.lastError());
        showFailure(fault.isEmpty()
                        ? describe(q.lastError())
                        : QStringLiteral("%1\n%2\n%3")
                              .arg(fault, oDb().databaseName(), describe(q.lastError())));
    }
    return ok;
}

} // namespace drv
