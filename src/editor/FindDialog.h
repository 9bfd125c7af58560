#pragma once
// The body editor's own find window: a word and "次を検索". Not modal, so the user can
// go on typing in the body while it is open.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace drv {

class FindDialog final : public QDialog {
    Q_OBJECT

public:
    FindDialog(QPlainTextEdit* target, QWidget* parent);

    // Takes the editor's selection as the word when it lies within one line, then shows.
    void present();

    // Selects the next match after the caret, ignoring letter case; past the end the
    // search starts again at the top. Returns false when the text holds no match.
    bool findNext();

private:
    QPlainTextEdit* target_;
    QLineEdit* word_;
    QPushButton* next_;
    QLabel* status_;
};

} // namespace drv
