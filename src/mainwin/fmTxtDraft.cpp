// Drafts of the shown entry, and the offer at start of what the last run left unsaved.

#include "fmTxt.h"

#include "DateKey.h"
#include "Diary.h"
#include "DraftKeeper.h"
#include "DraftOffer.h"
#include "DraftSource.h"
#include "Globals.h"
#include "MonthCalendar.h"
#include "Platform.h"
#include "Store.h"
#include "sbEdt.h"
#include "uTxA.h"

#include <QDebug>
#include <QLineEdit>

namespace drv {

namespace {

// Opens the day in the correction window with the draft's body, as a change.
bool restoreCorrection(const Draft& draft)
{
    sbEdt& window = sbEdt::instance();
    window.ActDc(draft.key);
    if (window.sYmn != draft.key) return false;
    window.uTxt->setText(draft.body);
    window.bChg = true;
    return true;
}

} // namespace

void fmTxt::buildDrafts()
{
    draft_ = std::make_unique<DraftSource>(kMainWindow, false, [this] {
        return DraftSource::Screen{CurrentKey, vTTL->text(), uTxt->Text()};
    });
    connect(vTTL, &QLineEdit::textChanged, this, [this] { draft_->changed(); });
    connect(uTxt, &uTxA::eChng, this, [this] { draft_->changed(); });
}

void fmTxt::offerDrafts()
{
    if (drafts_ || unloaded_) return;
    // A diary held by another copy: its drafts are that copy's, and nothing typed here
    // could be stored.
    if (DbIsHeldElsewhere()) return;
    drafts_ = std::make_unique<DraftKeeper>(sUsrFld);
    for (const DraftKeeper::Leftover& left : drafts_->leftovers()) {
        if (!left.drafts) {
            // Not a whole draft file: nothing to offer, but nothing to throw away either.
            if (keepAside(left.bytes, sUsrFld, QDateTime::currentDateTime()).isEmpty())
                qWarning().noquote() << "could not keep aside" << left.path;
            continue;
        }
        for (const Draft& draft : *left.drafts)
            if (!offerDraft(draft)) return; // the window was closed meanwhile
    }
    drafts_->arm();
}

bool fmTxt::offerDraft(const Draft& draft)
{
    QString title, body;
    // A day that cannot be read is offered as it was; showing it will tell.
    const DraftState state = diary::read(draft.key, title, body) ? judgeDraft(draft, title, body)
                                                                 : DraftState::Unchanged;
    if (state == DraftState::Stored) return true;
    const bool known = draft.window == kMainWindow || draft.window == kCorrectionWindow;
    const bool restore = known && services().dialogs->confirm(offerText(draft, state));
    if (unloaded_) return false;
    auto putBack = [&] {
        return draft.window == kMainWindow ? restoreDraft(draft) : restoreCorrection(draft);
    };
    if (restore && putBack()) return true;
    if (!keepAside(serializeDrafts({draft}), sUsrFld, QDateTime::currentDateTime()).isEmpty())
        return true;
    // Turned down, but it cannot be kept aside: back on screen is the only place left.
    services().dialogs->message(
        QStringLiteral("保存されなかった文章を backup フォルダーに残せませんでした。\n"
                       "文章を画面に戻します。"));
    if (!known || !putBack()) qWarning().noquote() << "a draft of" << draft.key << "was lost";
    return true;
}

bool fmTxt::restoreDraft(const Draft& draft)
{
    const QDate day = DateKey::toDate(draft.key, services().clock->today());
    if (!day.isValid()) return false;
    vCLn->setSelectedDate(day);
    vCLn_DateClick(day);
    if (CurrentKey != draft.key) return false;
    vTTL->setText(draft.title);
    uTxt->setText(draft.body);
    Modified = true;
    return true;
}

} // namespace drv
