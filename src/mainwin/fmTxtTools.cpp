// The tools menu: the diary kept and moved as a whole.

#include "fmTxt.h"

#include "KeepCommands.h"
#include "LockCommands.h"
#include "MirrorDialog.h"
#include "MirrorKeeper.h"
#include "sbEdt.h"
#include "sbFnd.h"

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
    case MirrorItem:
        chooseMirror();
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

void fmTxt::ShowDiaryAgain()
{
    FillMonthList(true);
    refreshBoldDays();
    if (!Modified) ShowEntry();
}

} // namespace drv
