#include "PrintDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace drv::print {

namespace {

template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

PrintDialog::PrintDialog(const QDate& shown, const QString& fontFamily, double fontSize,
                         QWidget* parent)
    : QDialog(parent), shown_(shown)
{
    setWindowTitle(QStringLiteral("印刷"));
    setObjectName(QStringLiteral("PrintDialog"));
    auto* form = new QFormLayout;

    range_ = named(new QComboBox, "range");
    range_->addItems({QStringLiteral("表示中の日"), QStringLiteral("表示中の月"),
                      QStringLiteral("年"), QStringLiteral("すべての日"), QStringLiteral("期間")});
    range_->setCurrentIndex(int(Range::ShownMonth));
    year_ = named(new QSpinBox, "year");
    year_->setRange(1900, 2099);
    year_->setValue(shown.year());
    year_->setSuffix(QStringLiteral(" 年"));
    from_ = named(new QDateEdit(QDate(shown.year(), shown.month(), 1)), "from");
    to_ = named(new QDateEdit(shown), "to");
    for (QDateEdit* d : {from_, to_}) {
        d->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        d->setCalendarPopup(true);
    }
    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(range_);
    rangeRow->addWidget(year_);
    rangeRow->addWidget(from_);
    tilde_ = new QLabel(QStringLiteral("〜"));
    rangeRow->addWidget(tilde_);
    rangeRow->addWidget(to_);
    auto* rangeLabel = new QLabel(QStringLiteral("範囲(&R)"));
    rangeLabel->setBuddy(range_);
    form->addRow(rangeLabel, rangeRow);

    direction_ = named(new QComboBox, "direction");
    direction_->addItems({QStringLiteral("横書き"), QStringLiteral("縦書き")});
    auto* directionLabel = new QLabel(QStringLiteral("書き方(&W)"));
    directionLabel->setBuddy(direction_);
    form->addRow(directionLabel, direction_);

    paper_ = named(new QComboBox, "paper");
    paper_->addItems(paperNames());
    paper_->setCurrentIndex(int(Paper::A5));
    orientation_ = named(new QComboBox, "orientation");
    orientation_->addItems({QStringLiteral("縦長"), QStringLiteral("横長")});
    auto* paperRow = new QHBoxLayout;
    paperRow->addWidget(paper_);
    paperRow->addWidget(orientation_);
    auto* paperLabel = new QLabel(QStringLiteral("用紙(&A)"));
    paperLabel->setBuddy(paper_);
    form->addRow(paperLabel, paperRow);

    font_ = named(new QFontComboBox, "font");
    font_->setWritingSystem(QFontDatabase::Japanese);
    font_->setCurrentFont(QFont(fontFamily));
    size_ = named(new QDoubleSpinBox, "fontSize");
    size_->setRange(6, 36);
    size_->setDecimals(1);
    size_->setSingleStep(0.5);
    size_->setValue(fontSize >= 6 ? fontSize : 10.5);
    size_->setSuffix(QStringLiteral(" pt"));
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(font_, 1);
    fontRow->addWidget(size_);
    auto* fontLabel = new QLabel(QStringLiteral("文字(&T)"));
    fontLabel->setBuddy(font_);
    form->addRow(fontLabel, fontRow);

    newPage_ = named(new QCheckBox(QStringLiteral("日ごとに改ページ(&N)")), "newPage");
    wareki_ = named(new QCheckBox(QStringLiteral("日付を和暦で(&J)")), "wareki");
    holidays_ = named(new QCheckBox(QStringLiteral("祝日名を添える(&H)")), "holidays");
    holidays_->setChecked(true);
    form->addRow(newPage_);
    form->addRow(wareki_);
    form->addRow(holidays_);

    auto* buttons = new QDialogButtonBox;
    auto add = [&](const char* caption, const char* name, int result) {
        QPushButton* b = named(
            buttons->addButton(QString::fromUtf8(caption), QDialogButtonBox::AcceptRole), name);
        connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
        return b;
    };
    add("プレビュー(&V)…", "preview", Preview);
    add("印刷(&P)…", "print", Printer)->setDefault(true);
    add("PDF に保存(&S)…", "pdf", Pdf);
    buttons->addButton(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(range_, &QComboBox::currentIndexChanged, this, &PrintDialog::rangeChanged);
    rangeChanged();
}

void PrintDialog::rangeChanged()
{
    const auto r = Range(range_->currentIndex());
    year_->setVisible(r == Range::Year);
    from_->setVisible(r == Range::Between);
    to_->setVisible(r == Range::Between);
    tilde_->setVisible(r == Range::Between);
}

RangeChoice PrintDialog::range() const
{
    RangeChoice c;
    c.range = Range(range_->currentIndex());
    c.shown = shown_;
    c.year = year_->value();
    c.from = from_->date();
    c.to = to_->date();
    return c;
}

PrintOptions PrintDialog::options() const
{
    PrintOptions o;
    o.direction = direction_->currentIndex() == 1 ? Direction::Vertical : Direction::Horizontal;
    o.paper = Paper(paper_->currentIndex());
    o.landscape = orientation_->currentIndex() == 1;
    o.fontFamily = font_->currentFont().family();
    o.fontSize = size_->value();
    o.newPagePerDay = newPage_->isChecked();
    o.wareki = wareki_->isChecked();
    o.holidays = holidays_->isChecked();
    return o;
}

} // namespace drv::print
