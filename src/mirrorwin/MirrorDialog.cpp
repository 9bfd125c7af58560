#include "MirrorDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace drv::mirror {

MirrorDialog::MirrorDialog(bool on, const QString& folder, const QString& unavailable,
                           QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("MirrorDialog"));
    setWindowTitle(QStringLiteral("写しのフォルダー"));
    auto* layout = new QVBoxLayout(this);
    auto* about = new QLabel(
        QStringLiteral("日記を一日一つのファイル (年/年-月-日.md) に写して、両方をそろえます。\n"
                       "Syncthing、Nextcloud、Dropbox などで同期するフォルダーを選ぶと、\n"
                       "ほかのパソコンの drvesk と同じ日記をつけられます。\n"
                       "日記のファイル (dbVesk.mdb) そのものは同期しないでください。"),
        this);
    layout->addWidget(about);
    use_ = new QCheckBox(QStringLiteral("写しのフォルダーを使う"), this);
    use_->setObjectName(QStringLiteral("mirrorOn"));
    use_->setChecked(on);
    layout->addWidget(use_);
    auto* row = new QHBoxLayout;
    folder_ = new QLineEdit(folder, this);
    folder_->setObjectName(QStringLiteral("mirrorFolder"));
    auto* pick = new QPushButton(QStringLiteral("選ぶ…"), this);
    connect(pick, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getExistingDirectory(
            this, QStringLiteral("写しのフォルダー"), folder_->text());
        if (!chosen.isEmpty()) {
            folder_->setText(chosen);
            use_->setChecked(true);
        }
    });
    row->addWidget(folder_);
    row->addWidget(pick);
    layout->addLayout(row);
    if (!unavailable.isEmpty()) {
        auto* why = new QLabel(unavailable, this);
        why->setObjectName(QStringLiteral("mirrorUnavailable"));
        why->setWordWrap(true);
        layout->addWidget(why);
        use_->setChecked(false);
        use_->setEnabled(false);
        folder_->setEnabled(false);
        pick->setEnabled(false);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

bool MirrorDialog::on() const
{
    return use_->isChecked() && !folder_->text().trimmed().isEmpty();
}

QString MirrorDialog::folder() const
{
    return folder_->text().trimmed();
}

} // namespace drv::mirror
