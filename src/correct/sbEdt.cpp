#include "sbEdt.h"

#include "DateKey.h"
#include "Diary.h"
#include "DraftSource.h"
#include "MainView.h"
#include "Platform.h"
#include "Store.h"
#include "Twips.h"
#include "uTxA.h"

#include <QCloseEvent>
#include <QEvent>

#include <cmath>

namespace drv {

QRect correctionPlacement(const QRect& mainFrame, const QRect& editorColumn, double dpiY)
{
    const double h = mainFrame.height();
    const int top = mainFrame.top() + int(std::lround(h * 0.3));
    const int height = int(std::lround(h * 0.7)) - twipsToPixels(20, dpiY);
    return QRect(editorColumn.left(), top, editorColumn.width(), height);
}

sbEdt::sbEdt() : uTxt(new uTxA(this))
{
    setObjectName(QStringLiteral("sbEdt"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("文書修正"));
    uTxt->setObjectName(QStringLiteral("uTxt"));
    connect(uTxt, &uTxA::eChng, this, [this] { bChg = true; });
    draft_ = std::make_unique<DraftSource>(kCorrectionWindow, true, [this] {
        return DraftSource::Screen{sYmn, {}, uTxt->Text()};
    });
    connect(uTxt, &uTxA::eChng, this, [this] { draft_->changed(); });
}

sbEdt::~sbEdt()
{
    forget(this);
}

void sbEdt::Form_Load()
{
    if (const MainView* view = mainView()) {
        const QRect outer =
            correctionPlacement(view->mainFrameGlobal(), view->editorColumnGlobal(), logicalDpiY());
        placement_.place(*this, outer);
        const FontSetting body = view->fontPreset(1);
        uTxt->setFontName(body.name);
        if (body.size > 0) uTxt->setFontSize(body.size);
        uTxt->setFontBold(body.bold);
    } else {
        resize(560, 420);
    }
    uTxt->setControlChars(true);
}

void sbEdt::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    placement_.shown(*this);
}

void sbEdt::ActDc(const QString& sDt)
{
    if (bChg && !storeChange()) return;
    QString title, body;
    // Showing an entry that could not be read would let a later save overwrite it.
    if (!diary::read(sDt, title, body)) return;
    sYmn = sDt;
    uTxt->cOn();
    const QString caption =
        DateKey::display(sDt) + QStringLiteral(" / ") + title + QStringLiteral(" の修正");
    setWindowTitle(literalCaption(caption));
    uTxt->setText(body);
    // A diary that only reads shows the entry, but no correction can be stored.
    uTxt->setReadOnly(DbIsHeldElsewhere());
    bChg = false;
    draft_->shown(title, body);
    const bool shown = isVisible();
    show();
    if (shown) raise();
}

bool sbEdt::storeChange()
{
    const QString body = uTxt->Text();
    int count = 0;
    storeFailed_ = !diary::correct(sYmn, body, count);
    if (storeFailed_) return false;
    if (count == 0) {
        // The entry was deleted or moved meanwhile: the correction has nowhere to go.
        if (!services().dialogs->confirm(
                QStringLiteral("%1 の日記はもうありません。\n修正を破棄してよいですか")
                    .arg(DateKey::display(sYmn))))
            return false;
        bChg = false;
        draft_->dropped();
        return true;
    }
    bChg = false;
    draft_->bodyStored(body);
    if (MainView* view = mainView()) view->entryCorrected(sYmn, body);
    return true;
}

void sbEdt::closeEvent(QCloseEvent* event)
{
    // When the store keeps failing, the window may still be closed, knowingly dropping
    // the correction, just as the main window may be quit without saving.
    if (bChg && !storeChange() &&
        !(storeFailed_ && services().dialogs->confirm(QStringLiteral(
                              "修正を保存できませんでした。\n保存せずに閉じてよいですか")))) {
        event->ignore();
        return;
    }
    forget(this);
    event->accept();
}

void sbEdt::arrange()
{
    if (isMinimized()) return;
    uTxt->setGeometry(rect());
    uTxt->StSize();
}

void sbEdt::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    arrange();
}

void sbEdt::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) arrange();
}

} // namespace drv
