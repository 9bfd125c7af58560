#include "ConflictDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

namespace drv::keep {

namespace {

QString choiceText(Resolution r)
{
    switch (r) {
    case Resolution::Replace:
        return QStringLiteral("置き換える");
    case Resolution::Append:
        return QStringLiteral("後ろに追記");
    case Resolution::Keep:
        break;
    }
    return QStringLiteral("今のまま");
}

QPlainTextEdit* viewer(QWidget* parent)
{
    auto* v = new QPlainTextEdit(parent);
    v->setReadOnly(true);
    return v;
}

QWidget* titled(const QString& title, QWidget* content, QWidget* parent)
{
    auto* w = new QWidget(parent);
    auto* l = new QVBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(new QLabel(title, w));
    l->addWidget(content);
    return w;
}

} // namespace

ConflictDialog::ConflictDialog(const ImportPlan& plan, const QDate& today, QWidget* parent)
    : QDialog(parent), plan_(plan), choices_(plan.conflicts.size(), Resolution::Keep)
{
    setObjectName(QStringLiteral("ConflictDialog"));
    setWindowTitle(QStringLiteral("読み込み: 日記のある日"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("新しい日 %1 件は追加します。同じ内容の %2 件はそのままです。\n"
                                  "次の %3 日にはすでに別の日記があります。扱いを選んでください "
                                  "(選ばなければ今のままです)。")
                       .arg(plan.added.size())
                       .arg(plan.unchanged)
                       .arg(plan.conflicts.size()),
                   this));
    table_ = new QTableWidget(int(plan.conflicts.size()), 4, this);
    table_->setHorizontalHeaderLabels({QStringLiteral("日付"), QStringLiteral("今の表題"),
                                       QStringLiteral("読み込む表題"), QStringLiteral("扱い")});
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < plan.conflicts.size(); ++r) {
        const Conflict& c = plan.conflicts.at(r);
        table_->setItem(r, 0, new QTableWidgetItem(dayToken(c.existing.skYmn, today)));
        table_->setItem(r, 1, new QTableWidgetItem(c.existing.szTtl));
        table_->setItem(r, 2, new QTableWidgetItem(c.incoming.szTtl));
        table_->setItem(r, 3, new QTableWidgetItem(choiceText(Resolution::Keep)));
    }
    table_->resizeColumnToContents(0);
    table_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    table_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    existing_ = viewer(this);
    incoming_ = viewer(this);
    auto* texts = new QSplitter(this);
    texts->addWidget(titled(QStringLiteral("今の日記:"), existing_, texts));
    texts->addWidget(titled(QStringLiteral("読み込む日記:"), incoming_, texts));
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(table_);
    split->addWidget(texts);
    layout->addWidget(split);
    connect(table_, &QTableWidget::currentCellChanged, this, [this] { showEntries(); });

    auto* actions = new QHBoxLayout;
    actions->addWidget(new QLabel(QStringLiteral("選んだ日を:"), this));
    for (const Resolution r : {Resolution::Keep, Resolution::Replace, Resolution::Append}) {
        auto* b = new QPushButton(choiceText(r), this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, r] { choose(r); });
        actions->addWidget(b);
    }
    auto* everything = new QPushButton(QStringLiteral("すべて選ぶ"), this);
    everything->setAutoDefault(false);
    connect(everything, &QPushButton::clicked, table_, &QTableWidget::selectAll);
    actions->addStretch();
    actions->addWidget(everything);
    layout->addLayout(actions);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("読み込む"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取りやめ"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    if (!plan.conflicts.isEmpty()) table_->setCurrentCell(0, 0);
    resize(760, 560);
}

void ConflictDialog::choose(Resolution choice)
{
    for (const QModelIndex& i : table_->selectionModel()->selectedRows()) {
        choices_[i.row()] = choice;
        table_->item(i.row(), 3)->setText(choiceText(choice));
    }
}

void ConflictDialog::showEntries()
{
    const int r = table_->currentRow();
    const bool any = r >= 0 && r < plan_.conflicts.size();
    existing_->setPlainText(any ? plan_.conflicts.at(r).existing.szDoc : QString());
    incoming_->setPlainText(any ? plan_.conflicts.at(r).incoming.szDoc : QString());
}

} // namespace drv::keep
