#include "FindDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

namespace drv {

FindDialog::FindDialog(QPlainTextEdit* target, QWidget* parent)
    : QDialog(parent), target_(target), word_(new QLineEdit(this)),
      next_(new QPushButton(QStringLiteral("次を検索"), this)), status_(new QLabel(this))
{
    setObjectName(QStringLiteral("findDialog"));
    setWindowTitle(QStringLiteral("検索"));
    setModal(false);
    word_->setObjectName(QStringLiteral("findWord"));
    next_->setObjectName(QStringLiteral("findNext"));
    next_->setDefault(true);
    status_->setObjectName(QStringLiteral("findStatus"));

    auto* row = new QHBoxLayout;
    row->addWidget(word_, 1);
    row->addWidget(next_);
    auto* column = new QVBoxLayout(this);
    column->addLayout(row);
    column->addWidget(status_);

    connect(next_, &QPushButton::clicked, this, &FindDialog::findNext);
    connect(word_, &QLineEdit::textChanged, status_, &QLabel::clear);
}

void FindDialog::present()
{
    const QString selected = target_->textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator) &&
        !selected.contains(QChar::LineSeparator))
        word_->setText(selected);
    status_->clear();
    show();
    raise();
    activateWindow();
    word_->setFocus();
    word_->selectAll();
}

bool FindDialog::findNext()
{
    const QString word = word_->text();
    if (word.isEmpty()) return false;
    status_->clear();
    if (target_->find(word)) return true;

    // Wrap: search again from the top, keeping the old selection when nothing matches.
    const QTextCursor before = target_->textCursor();
    target_->moveCursor(QTextCursor::Start);
    if (target_->find(word)) return true;
    target_->setTextCursor(before);
    status_->setText(QStringLiteral("見つかりません"));
    return false;
}

} // namespace drv
