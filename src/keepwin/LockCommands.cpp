#include "LockCommands.h"

#include "BackgroundSnapshot.h"
#include "DiaryEncryption.h"
#include "DiaryKeys.h"
#include "Platform.h"
#include "ProgressBox.h"
#include "RecoveryKey.h"
#include "Snapshots.h"
#include "Store.h"

namespace drv::keep {

namespace {

const QString kVisible = QStringLiteral(
    "暗号化すると、タイトルと本文はパスワード (または回復キー) がないと読めません。\n"
    "日付、記事の数、記事の長さは暗号化されず、ファイルを見ればわかります。");

Dialogs& dialogs()
{
    return *services().dialogs;
}

// A new password, typed twice; empty when cancelled or the two differ.
QString newPassword()
{
    QString first, second;
    if (!dialogs().secret(QStringLiteral("新しいパスワードを入力してください"), first)) return {};
    if (first.isEmpty()) {
        dialogs().message(QStringLiteral("パスワードが空です。取りやめました"));
        return {};
    }
    if (!dialogs().secret(QStringLiteral("確かめのため、もう一度入力してください"), second))
        return {};
    if (first != second) {
        dialogs().message(QStringLiteral("二つのパスワードが違います。取りやめました"));
        return {};
    }
    return first;
}

// The diary's password once more; false (having said so) when it is wrong.
bool passwordAgain()
{
    QString typed;
    if (!dialogs().secret(QStringLiteral("日記のパスワードを入力してください"), typed))
        return false;
    if (isDiaryPassword(typed)) return true;
    dialogs().message(QStringLiteral("パスワードが違います"));
    return false;
}

bool ready(const MainHooks& main)
{
    if (DbIsReadOnly()) {
        dialogs().message(QStringLiteral("日記ファイルに書き込めないので、暗号化を変えられません"));
        return false;
    }
    if (main.saveShown && !main.saveShown()) {
        dialogs().message(QStringLiteral("表示中の日記を保存できないので、取りやめました"));
        return false;
    }
    if (main.closeOthers && !main.closeOthers()) return false;
    // The day's snapshot must not read the diary while it is written anew.
    BackgroundSnapshot::stop();
    return true;
}

void switchOn(const MainHooks& main)
{
    if (!dialogs().confirm(kVisible + QStringLiteral("\n日記を暗号化しますか"))) return;
    const QString password = newPassword();
    if (password.isEmpty()) return;
    const QString recovery = vault::newRecoveryKey();
    dialogs().message(
        QStringLiteral("回復キー (この一度だけ表示します):\n\n%1\n\n"
                       "パスワードを忘れたときは、これで日記を開けます。書き留めるか印刷して、"
                       "パソコンとは別の所にしまってください")
            .arg(recovery));
    if (!ready(main)) return;
    DbClose();
    QString reason;
    std::unique_ptr<vault::KeySet> keys;
    {
        ProgressBox box(main.parent, QStringLiteral("日記を暗号化しています…"));
        keys = encryption::switchOn(diaryPath(), password, recovery, box.progress(), reason);
    }
    const bool on = keys != nullptr;
    const bool open = on ? DbOpenUnlocked(std::move(keys)) : DbOpen();
    if (open && main.showAgain) main.showAgain();
    dialogs().message(
        on ? QStringLiteral("日記を暗号化しました")
           : QStringLiteral("暗号化できませんでした。日記は元のままです\n%1").arg(reason));
}

void switchOff(const MainHooks& main)
{
    if (!dialogs().confirm(QStringLiteral("暗号化を解除して、日記を平文に戻しますか"))) return;
    if (!passwordAgain() || !ready(main)) return;
    auto keys = vault::KeySet::fromDataKey(diaryKeys()->dataKey());
    DbClose();
    QString reason;
    bool off = false;
    {
        ProgressBox box(main.parent, QStringLiteral("暗号化を解除しています…"));
        off = encryption::switchOff(diaryPath(), *keys, box.progress(), reason);
    }
    const bool open = off ? DbOpen() : DbOpenUnlocked(std::move(keys));
    if (open && main.showAgain) main.showAgain();
    dialogs().message(
        off ? QStringLiteral("暗号化を解除しました")
            : QStringLiteral("解除できませんでした。日記は暗号化されたままです\n%1").arg(reason));
}

} // namespace

void switchEncryption(const MainHooks& main)
{
    if (DbIsEncrypted())
        switchOff(main);
    else
        switchOn(main);
}

void changeDiaryPassword(const MainHooks&)
{
    if (!DbIsEncrypted()) {
        dialogs().message(QStringLiteral("日記は暗号化されていません"));
        return;
    }
    if (!passwordAgain()) return;
    const QString password = newPassword();
    if (password.isEmpty()) return;
    QString reason;
    if (encryption::changePassword(diaryPath(), *diaryKeys(), password, reason))
        dialogs().message(QStringLiteral("パスワードを変えました"));
    else
        dialogs().message(QStringLiteral("パスワードを変えられませんでした\n%1").arg(reason));
}

void switchKeyring(const MainHooks&)
{
    if (!DbIsEncrypted() || DbIsReadOnly()) {
        dialogs().message(
            QStringLiteral("キーリングで開けるのは、書き込める暗号化した日記だけです"));
        return;
    }
    QString reason;
    if (DbHasKeyringSlot()) {
        if (encryption::keyringOff(diaryPath(), *diaryKeys(), reason))
            dialogs().message(QStringLiteral("キーリングで開くのをやめました。"
                                             "次からはパスワードを聞きます"));
        else
            dialogs().message(QStringLiteral("キーリングで開くのをやめました\n%1").arg(reason));
        return;
    }
    if (!dialogs().confirm(
            QStringLiteral("日記の鍵をデスクトップのキーリングに預け、次からはパスワードを"
                           "聞かずに開きます。\nログインしている間は、このパソコンを使う人なら"
                           "だれでも日記を開けます。キーリングが使えないときは、これまでどおり"
                           "パスワードを聞きます。\nキーリングで開くようにしますか")) ||
        !passwordAgain())
        return;
    if (encryption::keyringOn(diaryPath(), *diaryKeys(), reason))
        dialogs().message(QStringLiteral("次からはキーリングで開きます"));
    else
        dialogs().message(QStringLiteral("キーリングに預けられませんでした。"
                                         "これまでどおりパスワードで開きます\n%1")
                              .arg(reason));
}

bool confirmPlainExport()
{
    if (!DbIsEncrypted()) return true;
    return passwordAgain() &&
           dialogs().confirm(QStringLiteral("書き出すファイルは暗号化されず、だれでも読めます。"
                                            "書き出しますか"));
}

} // namespace drv::keep
