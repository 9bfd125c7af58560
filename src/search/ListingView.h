#pragma once
// The listing control of the search window: a read-only rich-text view that reports
// mouse presses and releases after it has moved its caret. Being read-only, it leaves
// Ctrl+C and Ctrl+A to the window's own menu.

#include <QTextEdit>

#include <functional>

namespace drv {

class ListingView final : public QTextEdit {
    Q_OBJECT

public:
    explicit ListingView(QWidget* parent = nullptr);

    // Shows doc, a document of the view's, in place of the listing before, its caret at
    // the start. `rest`, when given, shows the whole listing of which doc is the start:
    // it runs once the view has painted doc, or as soon as the listing's text is asked
    // for, and not after another listing has been shown.
    void showListing(QTextDocument* doc, std::function<void()> rest = {});
    // Runs what is left to show the whole listing now.
    void complete() const;

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
    void paintEvent(QPaintEvent* event) override;

private:
    mutable std::function<void()> rest_;
    quint64 shown_ = 0; // listings shown so far
};

} // namespace drv
