#include "ExportDialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace drv::keep {

namespace {

struct Choice {
    const char* caption;
    Format format;
    Encoding encoding;
    const char* suffix;
};

const Choice kChoices[] = {
    {"テキスト (UTF-8)", Format::Text, Encoding::Utf8, ".txt"},
    {"テキスト (Shift-JIS / CP932: Windows の古いソフト向け)", Format::Text, Encoding::Cp932,
     ".txt"},
    {"Markdown (日記ごとに見出し)", Format::Markdown, Encoding::Utf8, ".md"},
    {"JSON", Format::Json, Encoding::Utf8, ".json"},
};

QDateEdit* dateEdit(const QDate& date, QWidget* parent)
{
    auto* e = new QDateEdit(date, parent);
    e->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    e->setCalendarPopup(true);
    e->setEnabled(false);
    return e;
}

} // namespace

ExportDialog::ExportDialog(const QDate& today, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ExportDialog"));
    setWindowTitle(QStringLiteral("書き出し"));
    auto* form = new QFormLayout(this);
    format_ = new QComboBox(this);
    for (const Choice& c : kChoices)
        format_->addItem(QString::fromUtf8(c.caption));
    form->addRow(QStringLiteral("形式:"), format_);

    auto* all = new QRadioButton(QStringLiteral("すべての日記"), this);
    all->setChecked(true);
    range_ = new QRadioButton(QStringLiteral("期間:"), this);
    from_ = dateEdit(today.addMonths(-1), this);
    to_ = dateEdit(today, this);
    auto* row = new QHBoxLayout;
    row->addWidget(range_);
    row->addWidget(from_);
    row->addWidget(new QLabel(QStringLiteral("から"), this));
    row->addWidget(to_);
    row->addWidget(new QLabel(QStringLiteral("まで"), this));
    form->addRow(QStringLiteral("範囲:"), all);
    form->addRow(QString(), row);
    connect(range_, &QRadioButton::toggled, this, [this](bool on) {
        from_->setEnabled(on);
        to_->setEnabled(on);
    });

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("書き出す…"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取りやめ"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

ExportOptions ExportDialog::options() const
{
    const Choice& c = kChoices[std::max(0, format_->currentIndex())];
    ExportOptions o{c.format, c.encoding, {}, {}};
    if (range_->isChecked()) {
        o.from = std::min(from_->date(), to_->date());
        o.to = std::max(from_->date(), to_->date());
    }
    return o;
}

QString ExportDialog::suffix() const
{
    return QString::fromUtf8(kChoices[std::max(0, format_->currentIndex())].suffix);
}

} // namespace drv::keep
