// The tools menu: the diary kept and moved as a whole.

#include "fmTxt.h"

#include "KeepCommands.h"
#include "LockCommands.h"
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
    default:
        break;
    }
}

void fmTxt::ShowDiaryAgain()
{
    FillMonthList(true);
    refreshBoldDays();
    if (!Modified) ShowEntry();
}

} // namespace drv
