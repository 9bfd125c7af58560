// Showing, saving, deleting and moving the shown day's entry.

#include "fmTxt.h"

#include "DateKey.h"
#include "DraftSource.h"
#include "EntryWrite.h"
#include "MainLogic.h"
#include "MonthCalendar.h"
#include "Platform.h"
#include "SetIme.h"
#include "Statements.h"
#include "Store.h"
#include "uTxA.h"

#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>

namespace drv {

namespace {

int countOf(const QString& key, bool& ok)
{
    Statement st{sql::kCountKey, {}};
    SqlSet(st, {key});
    int n = 0;
    ok = DbGetRec(st, n);
    return n;
}

} // namespace

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
    Statement st{sql::kEntry, {}};
    SqlSet(st, {key});
    QString title, body;
    // A day that cannot be read is not shown as empty: saving it would overwrite its entry.
    if (!DbGetRec(st, title, body)) {
        keepShownDay();
        return;
    }
    CurrentKey = key;
    setWindowTitle(DateKey::display(CurrentKey));
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
    if (!WriteEntry(CurrentKey, title, body)) return false;
    Modified = false;
    draft_->shown(title, body);
    FillMonthList(true);
    refreshBoldDays();
    return true;
}

void fmTxt::DeleteEntry()
{
    bool ok = false;
    if (countOf(CurrentKey, ok) == 0) {
        if (ok) services().dialogs->message(QStringLiteral("対象がありません"));
        return;
    }
    if (!services().dialogs->confirm(QStringLiteral("現在の文章を削除してよいですか"))) return;
    Statement st{sql::kDelete, {}};
    SqlSet(st, {CurrentKey});
    int n = 0;
    if (!DbExec(st, n)) return;
    vTTL->setText(QString());
    uTxt->setText(QString());
    Modified = false;
    draft_->shown({}, {});
    FillMonthList(true);
    refreshBoldDays();
    showListRow(vSpr->currentRow());
}

void fmTxt::CloseDiary()
{
    if (Modified && !SaveEntry(true) &&
        !services().dialogs->confirm(QStringLiteral("日記を保存できませんでした。\n"
                                                    "保存せずに終了してよいですか"))) {
        return;
    }
    Modified = false;
    close();
}

void fmTxt::ChangeEntryDate()
{
    if (CurrentKey.isEmpty()) return;
    const QString proposed = QStringLiteral("20") + DateKey::display(CurrentKey);
    QString answer;
    const QDate today = services().clock->today();
    QDate date;
    if (services().dialogs->prompt(QStringLiteral("日付を指定して下さい"),
                                   QStringLiteral("日付訂正"), proposed, answer))
        date = parseDateAnswer(answer, today);
    if (!date.isValid()) {
        services().dialogs->message(QStringLiteral("日付の指定が不正です"));
        return;
    }
    const QString key = DateKey::fromDate(date);
    bool ok = false;
    const int n = countOf(key, ok);
    if (!ok) return;
    if (n > 0) {
        services().dialogs->message(QStringLiteral("該当の日付には日記が記入済みです"));
        return;
    }
    Statement st{sql::kMoveKey, {}};
    SqlSet(st, {key, CurrentKey});
    int moved = 0;
    if (!DbExec(st, moved)) return;
    CurrentKey = key;
    setWindowTitle(DateKey::display(CurrentKey));
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
