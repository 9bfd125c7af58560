#include "ListingView.h"

#include "BodyText.h"

#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

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

QString ListingView::wholeText() const
{
    return plainFromDocument(document()->toRawText());
}

QString ListingView::selectedText() const
{
    return plainFromDocument(textCursor().selectedText());
}

bool ListingView::underlineAtCaret() const
{
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
