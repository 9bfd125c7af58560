#include "RestoreDialog.h"

#include "DateKey.h"
#include "Platform.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace drv::keep {

namespace {

QTableWidgetItem* cell(const QString& text, bool enabled)
{
    auto* item = new QTableWidgetItem(text);
    if (!enabled) item->setFlags(Qt::NoItemFlags);
    return item;
}

QString newestText(const SnapshotChoice& c)
{
    if (!c.unreadable.isEmpty()) return c.unreadable;
    if (c.summary.newestKey.isEmpty()) return QStringLiteral("(日記なし)");
    const QDate d = DateKey::toDate(c.summary.newestKey, services().clock->today());
    const QString day = d.isValid() ? d.toString(QStringLiteral("yyyy/MM/dd"))
                                    : DateKey::display(c.summary.newestKey);
    return c.summary.newestTitle.isEmpty() ? day : day + u' ' + c.summary.newestTitle;
}

} // namespace

RestoreDialog::RestoreDialog(const QList<SnapshotChoice>& list, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RestoreDialog"));
    setWindowTitle(QStringLiteral("ﾊﾞｯｸｱｯﾌﾟから復元"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("戻すバックアップを選んでください。"
                                                "今の日記は、戻す前にバックアップに残します。"),
                                 this));
    table_ = new QTableWidget(int(list.size()), 3, this);
    table_->setHorizontalHeaderLabels({QStringLiteral("バックアップの日時"), QStringLiteral("件数"),
                                       QStringLiteral("最新の日記")});
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setStretchLastSection(true);
    for (int r = 0; r < list.size(); ++r) {
        const SnapshotChoice& c = list.at(r);
        const bool ok = c.unreadable.isEmpty();
        const Snapshot& s = c.snapshot;
        table_->setItem(r, 0,
                        cell(s.taken.toString(s.daily ? QStringLiteral("yyyy/MM/dd")
                                                      : QStringLiteral("yyyy/MM/dd HH:mm:ss "
                                                                       "(復元の前)")),
                             ok));
        table_->setItem(r, 1, cell(ok ? QString::number(c.summary.entries) : QString(), ok));
        table_->item(r, 1)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table_->setItem(r, 2, cell(newestText(c), ok));
    }
    table_->resizeColumnsToContents();
    layout->addWidget(table_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* restore = buttons->addButton(QStringLiteral("復元"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取りやめ"), QDialogButtonBox::RejectRole);
    restore->setEnabled(false);
    // Return restores whatever row is chosen; the table would otherwise keep the key.
    restore->setDefault(true);
    connect(table_, &QTableWidget::itemSelectionChanged, this,
            [this, restore] { restore->setEnabled(chosen() >= 0); });
    // The list is newest first: the newest snapshot that can be read is chosen at once,
    // so the dialog works from the keyboard alone.
    for (int r = 0; r < list.size(); ++r) {
        if (list.at(r).unreadable.isEmpty()) {
            table_->selectRow(r);
            table_->setCurrentCell(r, 0);
            break;
        }
    }
    table_->setFocus();
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this] {
        if (chosen() >= 0) accept();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 400);
}

int RestoreDialog::chosen() const
{
    const QList<QTableWidgetItem*> items = table_->selectedItems();
    return items.isEmpty() ? -1 : items.first()->row();
}

} // namespace drv::keep
