// The tools menu: the diary kept and moved as a whole.

#include "fmTxt.h"

#include "DiaryKeys.h"
#include "IdleLock.h"
#include "KeepCommands.h"
#include "LockCommands.h"
#include "MirrorDialog.h"
#include "MirrorKeeper.h"
#include "Platform.h"
#include "Store.h"
#include "sbEdt.h"
#include "sbFnd.h"

#include <chrono>

namespace drv {

void fmTxt::mnTool_Click(int index)
{
    keep::MainHooks hooks;
    hooks.parent = this;
    hooks.saveShown = [this] { return !Modified || SaveEntry(true); };
    hooks.closeOthers = [] {
        if (!sbEdt::closeIfOpen()) return false;
        sbFnd::closeIfOpen();
        closeLookback();
        return true;
    };
    hooks.showAgain = [this] { ShowDiaryAgain(); };
    switch (index) {
    case RestoreItem:
        keep::restoreFromSnapshot(hooks);
        break;
    case ExportItem:
        keep::exportDiary(hooks);
        break;
    case ImportItem:
        keep::importDiary(hooks);
        break;
    case EncryptItem:
        keep::switchEncryption(hooks);
        break;
    case PasswordItem:
        keep::changeDiaryPassword(hooks);
        break;
    case KeyringItem:
        keep::switchKeyring(hooks);
        showKeyringItem();
        return;
    case MirrorItem:
        chooseMirror();
        return;
    case IdleLockItem:
        chooseIdleLock();
        return;
    default:
        break;
    }
    // A restore or an import changed the diary as a whole.
    if (mirror_) mirror_->changed();
}

void fmTxt::chooseMirror()
{
    if (!mirror_) return;
    mirror::MirrorDialog d(mirror_->isOn(), mirror_->folder(),
                           mirror::MirrorKeeper::unavailableReason(), this);
    if (d.exec() != QDialog::Accepted) return;
    if (Modified && !SaveEntry(true)) return;
    if (d.on())
        mirror_->turnOn(d.folder());
    else if (mirror_->isOn())
        mirror_->turnOff();
}

void fmTxt::chooseIdleLock()
{
    Dialogs& dialogs = *services().dialogs;
    if (!DbIsEncrypted()) {
        dialogs.message(QStringLiteral(
            "自動ロックは暗号化した日記だけのものです。暗号化していない日記はパスワードを"
            "持たず、ファイルを開けば誰でも読めるので、画面を隠しても守れません。"
            "「暗号化…」のあとで設定してください"));
        return;
    }
    QString typed = QString::number(IdleLock::storedMinutes());
    if (!dialogs.prompt(QStringLiteral("何分操作がないとき、画面を隠してパスワードを聞きますか"
                                       " (0 で使いません)"),
                        QStringLiteral("自動ロック"), typed, typed))
        return;
    bool ok = false;
    const int minutes = typed.trimmed().toInt(&ok);
    if (!ok || minutes < 0 || minutes > 24 * 60) {
        dialogs.message(QStringLiteral("0 から 1440 までの分の数を入力してください"));
        return;
    }
    IdleLock::storeMinutes(minutes);
    IdleLock::instance().start(std::chrono::minutes(minutes));
}

void fmTxt::showKeyringItem()
{
    QAction* item = mnTool[KeyringItem];
    item->setChecked(DbHasKeyringSlot());
    item->setEnabled(DbIsEncrypted() && !DbIsReadOnly());
}

void fmTxt::ShowDiaryAgain()
{
    FillMonthList(true);
    refreshBoldDays();
    if (!Modified) ShowEntry();
}

} // namespace drv
