#pragma once
// The listing control of the search window: a read-only rich-text view that reports
// mouse presses and releases after it has moved its caret. Being read-only, it leaves
// Ctrl+C and Ctrl+A to the window's own menu.

#include <QTextEdit>

namespace drv {

class ListingView final : public QTextEdit {
    Q_OBJECT

public:
    explicit ListingView(QWidget* parent = nullptr);

    // The whole listing, its paragraphs separated by line feeds.
    QString wholeText() const;
    // The selected text, line breaks as line feeds; empty without a selection.
    QString selectedText() const;
    // Whether any character of the selection, or the character at the caret, is
    // underlined.
    bool underlineAtCaret() const;

Q_SIGNALS:
    void mouseDown(Qt::MouseButton button, const QPoint& globalPos);
    void mouseUp(Qt::MouseButton button);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace drv
