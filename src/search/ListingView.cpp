#include "ListingView.h"

#include "BodyText.h"

#include <QMouseEvent>
#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

namespace drv {

ListingView::ListingView(QWidget* parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setUndoRedoEnabled(false);
    setAcceptRichText(false);
    // The window pops up its own Edit menu.
    setContextMenuPolicy(Qt::PreventContextMenu);
}

void ListingView::showListing(QTextDocument* doc, std::function<void()> rest)
{
    rest_ = {}; // what was left of the listing before goes with it
    ++shown_;
    const QPointer<QTextDocument> shown = document();
    setDocument(doc);
    // The view keeps the document it made itself; a listing's goes with the listing.
    if (shown && shown != doc && shown->parent() == this) delete shown;
    moveCursor(QTextCursor::Start);
    rest_ = std::move(rest);
}

void ListingView::complete() const
{
    if (!rest_) return;
    const std::function<void()> rest = std::exchange(rest_, {});
    rest();
}

void ListingView::paintEvent(QPaintEvent* event)
{
    QTextEdit::paintEvent(event);
    // On screen, the listing's start gives way to the whole when the window is next idle.
    if (rest_) {
        QTimer::singleShot(0, this, [this, painted = shown_] {
            if (shown_ == painted) complete();
        });
    }
}

QString ListingView::wholeText() const
{
    complete();
    return plainFromDocument(document()->toRawText());
}

QString ListingView::selectedText() const
{
    complete();
    return plainFromDocument(textCursor().selectedText());
}

bool ListingView::underlineAtCaret() const
{
    complete();
    const QTextCursor caret = textCursor();
    if (!caret.hasSelection()) return caret.charFormat().fontUnderline();
    const int from = caret.selectionStart();
    const int to = caret.selectionEnd();
    for (QTextBlock b = document()->findBlock(from); b.isValid() && b.position() < to;
         b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.position() + f.length() <= from || f.position() >= to) continue;
            if (f.charFormat().fontUnderline()) return true;
        }
    }
    return false;
}

void ListingView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        Q_EMIT mouseDown(event->button(), event->globalPosition().toPoint());
        return;
    }
    QTextEdit::mousePressEvent(event);
    Q_EMIT mouseDown(event->button(), event->globalPosition().toPoint());
}

void ListingView::mouseReleaseEvent(QMouseEvent* event)
{
    QTextEdit::mouseReleaseEvent(event);
    Q_EMIT mouseUp(event->button());
}

} // namespace drv
