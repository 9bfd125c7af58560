// Showing, saving, deleting and moving the shown day's entry.

#include "fmTxt.h"

#include "DateKey.h"
#include "DatePrompt.h"
#include "Diary.h"
#include "DraftSource.h"
#include "EntryStatusBar.h"
#include "MirrorKeeper.h"
#include "MonthCalendar.h"
#include "Platform.h"
#include "SetIme.h"
#include "uTxA.h"

#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>

namespace drv {

void fmTxt::ShowEntry()
{
    auto keepShownDay = [this] {
        const QDate shown = DateKey::toDate(CurrentKey, services().clock->today());
        if (shown.isValid()) vCLn->setSelectedDate(shown);
    };
    // What is on screen is written under its own day before another day is shown;
    // when that fails, the day stays so nothing typed is lost.
    if (Modified && !SaveEntry(true)) {
        keepShownDay();
        return;
    }
    const QString key = DateKey::fromDate(vCLn->selectedDate());
    QString title, body;
    // A day that cannot be read is not shown as empty: saving it would overwrite its entry.
    if (!diary::read(key, title, body)) {
        keepShownDay();
        return;
    }
    CurrentKey = key;
    setWindowTitle(windowTitleFor(CurrentKey));
    stLine->showDay(vCLn->selectedDate());
    lookbackFollows(vCLn->selectedDate());
    vTTL->setText(title);
    uTxt->setText(body);
    Modified = false;
    draft_->shown(title, body);
    selectListRow(CurrentKey);
    vTTL->setFocus();
}

bool fmTxt::SaveEntry(bool quiet)
{
    const QString title = vTTL->text();
    const QString body = uTxt->Text();
    // A quiet save keeps anything typed; only the explicit command insists on both.
    const bool write =
        quiet ? !(title.isEmpty() && body.isEmpty()) : !(title.isEmpty() || body.isEmpty());
    if (!write) {
        if (!quiet) services().dialogs->message(QStringLiteral("表題･本文が空です"));
        return quiet; // nothing to keep when both are empty
    }
    if (!diary::save(CurrentKey, title, body)) return false;
    if (mirror_) mirror_->saved(CurrentKey);
    Modified = false;
    draft_->shown(title, body);
    FillMonthList(true);
    refreshBoldDays();
    return true;
}

void fmTxt::DeleteEntry()
{
    int n = 0;
    if (!diary::count(CurrentKey, n)) return;
    if (n == 0) {
        services().dialogs->message(QStringLiteral("対象がありません"));
        return;
    }
    if (!services().dialogs->confirm(QStringLiteral("現在の文章を削除してよいですか"))) return;
    if (!diary::remove(CurrentKey, n)) return;
    if (mirror_) mirror_->changed();
    vTTL->setText(QString());
    uTxt->setText(QString());
    Modified = false;
    draft_->shown({}, {});
    FillMonthList(true);
    refreshBoldDays();
    showListRow(vSpr->currentRow());
}

bool fmTxt::saveBeforeQuit()
{
    return !Modified || SaveEntry(true) ||
           services().dialogs->confirm(QStringLiteral("日記を保存できませんでした。\n"
                                                      "保存せずに終了してよいですか"));
}

void fmTxt::CloseDiary()
{
    if (!saveBeforeQuit()) return;
    // The text was saved, or the user chose to drop it: the close must not ask again.
    // Should another window refuse the close, the text stays marked as changed.
    const bool modified = Modified;
    Modified = false;
    if (!close()) Modified = modified;
}

void fmTxt::ChangeEntryDate()
{
    if (CurrentKey.isEmpty()) return;
    const QDate today = services().clock->today();
    // The key's own century, so that the prompt accepts its proposal for a 1990s entry too.
    const QString proposed =
        DateKey::toDate(CurrentKey, today).toString(QStringLiteral("yyyy/MM/dd"));
    QString answer;
    QDate date;
    if (services().dialogs->prompt(QStringLiteral("日付を指定して下さい"),
                                   QStringLiteral("日付訂正"), proposed, answer))
        date = parseDateAnswer(answer, today);
    if (!date.isValid()) {
        services().dialogs->message(QStringLiteral("日付の指定が不正です"));
        return;
    }
    const QString key = DateKey::fromDate(date);
    int n = 0;
    if (!diary::count(key, n)) return;
    if (n > 0) {
        services().dialogs->message(QStringLiteral("該当の日付には日記が記入済みです"));
        return;
    }
    int moved = 0;
    if (!diary::move(CurrentKey, key, moved)) return;
    if (mirror_) mirror_->changed();
    CurrentKey = key;
    setWindowTitle(windowTitleFor(CurrentKey));
    stLine->showDay(date);
    lookbackFollows(date);
    vCLn->setSelectedDate(date);
    vSpr->clearSelection();
    FillMonthList(true);
    refreshBoldDays();
    selectListRow(key);
}

void fmTxt::vTTL_Change()
{
    Modified = true;
}

void fmTxt::uTxt_GotFocus()
{
    SetIme(1);
}

void fmTxt::uTxt_ePop()
{
    menuAt(1)->popup(QCursor::pos());
}

} // namespace drv
