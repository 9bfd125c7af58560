#include "uTxA.h"

#include "BodyText.h"
#include "EditorGeometry.h"
#include "FindDialog.h"
#include "Globals.h"
#include "MainView.h"
#include "Twips.h"
#include "TxAction.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

namespace drv {

uTxA::uTxA(QWidget* parent) : QWidget(parent), mTxt(new QPlainTextEdit(this))
{
    mTxt->setObjectName(QStringLiteral("mTxt"));
    // The host pops up its own Edit menu instead of the widget's standard one.
    mTxt->setContextMenuPolicy(Qt::PreventContextMenu);
    mTxt->installEventFilter(this);
    mTxt->viewport()->installEventFilter(this);
    setFocusProxy(mTxt);
    connect(mTxt, &QPlainTextEdit::textChanged, this, [this] {
        if (!composing_) Q_EMIT eChng();
    });
    connect(mTxt, &QPlainTextEdit::selectionChanged, this, &uTxA::selectionChanged);
    connect(mTxt->document(), &QTextDocument::contentsChange, this,
            [this](int from, int, int added) { checkTyped(from, added); });

    // At run time the host decides when the first layout happens; it calls StSize
    // once its own layout is done.
    bWait = bRun;
}

uTxA::~uTxA() = default;

void uTxA::cOn()
{
    sOrg.clear();
    bAuto = true;
}

void uTxA::cOff()
{
    sOrg.clear();
    bAuto = false;
}

QString uTxA::Text() const
{
    QString s = plainFromDocument(mTxt->document()->toRawText());
    // The document keeps line feeds only; an entry that came with CR LF (from Windows, or
    // another tool) keeps that convention when it is saved again.
    if (crlf_) s.replace(u'\n', QStringLiteral("\r\n"));
    return cleanedText(s);
}

void uTxA::setText(const QString& sTx)
{
    // A load is a fresh start: nothing before it can be undone. The shaping is chosen
    // before the text goes in, so it is laid out once.
    loading_ = true;
    crlf_ = sTx.contains(QStringLiteral("\r\n"));
    // While the text goes in, the view would fit its scroll range twice, laying out the
    // last screen of text each time; it is told the new size once, then repaints.
    QAbstractTextDocumentLayout* layout = mTxt->document()->documentLayout();
    {
        const QSignalBlocker quiet(layout);
        setShaping(needsShaping(sTx));
        mTxt->setPlainText(sTx);
    }
    Q_EMIT layout->documentSizeChanged(layout->documentSize());
    mTxt->ensureCursorVisible();
    mTxt->viewport()->update();
    loading_ = false;
    sOrg = sTx;
}

void uTxA::setShaping(bool on)
{
    QFont f = mTxt->font();
    const QFont::StyleStrategy was = f.styleStrategy();
    const QFont::StyleStrategy strategy = on ? QFont::StyleStrategy(was & ~QFont::PreferNoShaping)
                                             : QFont::StyleStrategy(was | QFont::PreferNoShaping);
    if (strategy == was) return;
    f.setStyleStrategy(strategy);
    mTxt->setFont(f);
}

void uTxA::checkTyped(int from, int added)
{
    if (loading_ || added <= 0 || !(mTxt->font().styleStrategy() & QFont::PreferNoShaping)) return;
    QTextCursor c(mTxt->document());
    c.setPosition(from);
    c.setPosition(qMin(from + added, mTxt->document()->characterCount() - 1),
                  QTextCursor::KeepAnchor);
    // Switched once the edit is over, not in the middle of the document's change.
    if (needsShaping(c.selectedText()))
        QMetaObject::invokeMethod(
            this, [this] { setShaping(true); }, Qt::QueuedConnection);
}

QString uTxA::SelText() const
{
    return plainFromDocument(mTxt->textCursor().selectedText());
}

QString uTxA::rawText() const
{
    return mTxt->document()->toRawText();
}

QString uTxA::rawSelection() const
{
    return mTxt->textCursor().selectedText();
}

void uTxA::txAct(const QString& sJb)
{
    const std::optional<TxAction> action = txActionFor(sJb);
    if (!action) return;
    switch (*action) {
    case TxAction::Restore:
        setText(sOrg);
        break;
    case TxAction::Undo:
        mTxt->undo();
        break;
    case TxAction::Redo:
        mTxt->redo();
        break;
    case TxAction::Cut:
        mTxt->cut();
        break;
    case TxAction::Copy:
        mTxt->copy();
        break;
    case TxAction::Paste:
        mTxt->paste();
        break;
    case TxAction::CopyAll:
        copyAll();
        break;
    case TxAction::SelectAll:
        mTxt->selectAll();
        break;
    case TxAction::Find:
        openFind();
        break;
    }
}

QString uTxA::FontName() const
{
    return mTxt->font().family();
}

void uTxA::setFontName(const QString& sNm)
{
    QFont f = mTxt->font();
    f.setFamily(sNm);
    mTxt->setFont(f);
}

int uTxA::FontSize() const
{
    return roundHalfEven(mTxt->font().pointSizeF());
}

void uTxA::setFontSize(int nSz)
{
    QFont f = mTxt->font();
    f.setPointSize(nSz);
    mTxt->setFont(f);
}

bool uTxA::FontBold() const
{
    return mTxt->font().bold();
}

void uTxA::setFontBold(bool bBd)
{
    QFont f = mTxt->font();
    f.setBold(bBd);
    mTxt->setFont(f);
}

void uTxA::setControlChars(bool bShw)
{
    QTextOption option = mTxt->document()->defaultTextOption();
    const QTextOption::Flags marks =
        QTextOption::ShowTabsAndSpaces | QTextOption::ShowLineAndParagraphSeparators;
    option.setFlags(bShw ? option.flags() | marks : option.flags() & ~marks);
    mTxt->document()->setDefaultTextOption(option);
}

void uTxA::StSize()
{
    mTxt->setGeometry(editorGeometry(size(), logicalDpiX(), logicalDpiY()));
    bWait = false;
}

void uTxA::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (bAuto && !bWait) StSize();
}

bool uTxA::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == mTxt->viewport() && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
        rightButton();
    else if (watched == mTxt && event->type() == QEvent::FocusIn)
        Q_EMIT gotFocus();
    else if (watched == mTxt && event->type() == QEvent::InputMethod)
        return passInputMethodEvent(static_cast<QInputMethodEvent*>(event));
    return QWidget::eventFilter(watched, event);
}

bool uTxA::passInputMethodEvent(QInputMethodEvent* event)
{
    // Text that the input method is still composing is laid out in the document without
    // being part of it, yet the widget reports it as a change of its text; only what
    // the input method commits is typed.
    const QScopedValueRollback<bool> quiet(composing_, event->commitString().isEmpty() &&
                                                           event->replacementLength() == 0);
    return static_cast<QObject*>(mTxt)->event(event);
}

void uTxA::rightButton()
{
    if (MainView* host = mainView()) {
        const QTextDocument* doc = mTxt->document();
        host->setUndoRedoEnabled(doc->isUndoAvailable(), doc->isRedoAvailable());
    }
    Q_EMIT ePop();
}

void uTxA::copyAll()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(plainFromDocument(mTxt->document()->toRawText()));
}

void uTxA::openFind()
{
    if (!find_) find_ = new FindDialog(mTxt, this);
    find_->present();
}

void uTxA::setReadOnly(bool on)
{
    mTxt->setReadOnly(on);
}

} // namespace drv
