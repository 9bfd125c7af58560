#include "DiaryKeys.h"

#include "DateKey.h"
#include "KeySlot.h"
#include "Platform.h"
#include "SqlQuery.h"
#include "Statements.h"

#include <QMutex>

#include <cstring>

#include <sqlite3.h>

#include <sys/prctl.h>

namespace drv {

namespace {

// Shared, so that a thread that holds them (the draft writer) never sees them freed.
std::shared_ptr<const vault::KeySet> g_keys;
QMutex g_keysMutex;
bool g_cancelled = false;

constexpr int kMissesBeforeRecovery = 3;

void sqlDiaryText(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[1]) != SQLITE_BLOB) {
        // Plain text (or a number, or null) is the body as it is.
        sqlite3_result_value(ctx, argv[1]);
        return;
    }
    const QByteArray stored(static_cast<const char*>(sqlite3_value_blob(argv[1])),
                            sqlite3_value_bytes(argv[1]));
    if (!vault::isSealed(stored)) {
        sqlite3_result_value(ctx, argv[1]);
        return;
    }
    const auto* k = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const QString key = k ? QString::fromUtf8(k, sqlite3_value_bytes(argv[0])) : QString();
    QString text;
    // Also called on the index's worker thread, while the keys may change on the window's.
    const std::shared_ptr<const vault::KeySet> keys = heldDiaryKeys();
    if (!keys || !keys->openValue(key, QStringLiteral("szDoc"), stored, text)) {
        sqlite3_result_null(ctx);
        return;
    }
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(ctx, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

} // namespace

// For the window's thread, the one that changes them; other threads hold them.
const vault::KeySet* diaryKeys()
{
    return g_keys.get();
}

std::shared_ptr<const vault::KeySet> heldDiaryKeys()
{
    QMutexLocker lock(&g_keysMutex);
    return g_keys;
}

bool DbIsEncrypted()
{
    return DbIsOpen() && g_keys;
}

bool DbOpenCancelled()
{
    return g_cancelled;
}

void detail::setDiaryKeys(std::unique_ptr<vault::KeySet> keys)
{
    QMutexLocker lock(&g_keysMutex);
    // While a diary is unlocked the process leaves no core dump (and cannot be attached
    // to by the user's other programs): its memory holds the keys and the texts.
    if (keys) ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    g_keys = std::move(keys);
}

void detail::setOpenCancelled(bool cancelled)
{
    g_cancelled = cancelled;
}

StoreValue storedValue(const QString& key, const QString& column, const QString& text)
{
    const auto keys = heldDiaryKeys();
    if (!keys) return text;
    return keys->sealValue(key, column, text);
}

bool textOfStored(const QString& key, const QString& column, const QVariant& stored, QString& text)
{
    if (stored.typeId() != QMetaType::QByteArray) {
        text = stored.toString();
        return true;
    }
    const QByteArray bytes = stored.toByteArray();
    if (!vault::isSealed(bytes)) {
        text = QString::fromUtf8(bytes);
        return true;
    }
    text.clear();
    const auto keys = heldDiaryKeys();
    return keys && keys->openValue(key, column, bytes, text);
}

QStringList openTable(ColumnTable& table, int count, const QStringList& names)
{
    QStringList bad;
    const int keyColumn = int(names.indexOf(QStringLiteral("skYmn"), 0));
    if (keyColumn < 0 || table.size() != names.size()) return bad;
    for (int c = 0; c < names.size(); ++c) {
        if (names[c] != u"szTtl" && names[c] != u"szDoc") continue;
        for (int row = 0; row < count; ++row) {
            QVariant& v = table[c][row];
            if (v.typeId() != QMetaType::QByteArray) continue;
            const QString key = table[keyColumn][row].toString();
            QString text;
            if (!textOfStored(key, names[c], v, text) && !bad.contains(key)) bad << key;
            v = text;
        }
    }
    return bad;
}

void showUnreadableDays(const QStringList& keys)
{
    if (keys.isEmpty()) return;
    QStringList days;
    for (const QString& k : keys)
        days << DateKey::display(k);
    services().dialogs->message(
        QStringLiteral("%1 の日記は壊れているか書き換えられていて、読めません。"
                       "ほかの日はこれまでどおり使えます")
            .arg(days.join(QStringLiteral("、"))));
}

bool registerDiaryText(sqlite3* connection)
{
    return connection &&
           sqlite3_create_function(connection, "drv_doc", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                   nullptr, sqlDiaryText, nullptr, nullptr) == SQLITE_OK;
}

QMap<QString, QByteArray> readKeySlots(sqlite3* connection)
{
    QMap<QString, QByteArray> slots;
    if (sql::quietNumber(connection, sql::kVaultExists) == 0) return slots;
    sql::Query q(connection, sql::kVaultSlots);
    while (q.next())
        slots.insert(q.text(0), q.blob(1));
    return slots;
}

QString keyringAccount(const QByteArray& slot)
{
    const QString id = vault::slotId(slot);
    return id.isEmpty() ? QString() : QStringLiteral("diary-") + id;
}

std::unique_ptr<vault::KeySet> unlockFromKeyring(const QMap<QString, QByteArray>& slots)
{
    Keyring* keyring = services().keyring;
    const QByteArray slot = slots.value(kKeyringSlot);
    const QString account = keyringAccount(slot);
    if (!keyring || account.isEmpty()) return {};
    QByteArray bytes;
    QString reason;
    if (!keyring->read(account, bytes, reason) || bytes.size() != vault::kKeyringSecretBytes) {
        vault::wipe(bytes);
        return {};
    }
    vault::Secret secret(vault::kKeyringSecretBytes);
    if (!secret.valid()) return {};
    memcpy(secret.data(), bytes.constData(), secret.size());
    vault::wipe(bytes);
    const auto key = vault::unwrapWithKeyring(slot, secret);
    return key ? vault::KeySet::fromDataKey(*key) : nullptr;
}

std::unique_ptr<vault::KeySet> askToUnlock(const QMap<QString, QByteArray>& slots)
{
    Dialogs& dialogs = *services().dialogs;
    for (int misses = 0;; ++misses) {
        if (misses > 0 && misses % kMissesBeforeRecovery == 0 &&
            dialogs.confirm(QStringLiteral("パスワードを %1 回まちがえました。"
                                           "回復キーで開きますか？")
                                .arg(misses))) {
            for (;;) {
                QString typed;
                if (!dialogs.secret(QStringLiteral("回復キーを入力してください"), typed)) break;
                if (auto key = vault::unwrap(slots.value(kRecoverySlot), typed))
                    return vault::KeySet::fromDataKey(*key);
                dialogs.message(QStringLiteral("回復キーが違います"));
            }
        }
        QString password;
        if (!dialogs.secret(QStringLiteral("日記のパスワードを入力してください"), password))
            return {};
        if (auto key = vault::unwrap(slots.value(kPasswordSlot), password))
            return vault::KeySet::fromDataKey(*key);
        dialogs.message(QStringLiteral("パスワードが違います"));
    }
}

} // namespace drv
