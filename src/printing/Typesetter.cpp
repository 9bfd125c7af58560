#include "Typesetter.h"

#include "EntryHeads.h"
#include "GlyphPainter.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextOption>

namespace drv::print {

namespace {

// Lines and columns stand this many times their font's size apart.
constexpr qreal kSpacing = 1.7;

} // namespace

Typesetter::Typesetter(const PrintOptions& options, QPagedPaintDevice* device)
    : options_(options), device_(device)
{
    QFont body(options.fontFamily);
    body.setPointSizeF(options.fontSize > 0 ? options.fontSize : 10.5);
    fonts_[Body] = body;
    fonts_[Space] = body;
    fonts_[Date] = body;
    fonts_[Date].setPointSizeF(body.pointSizeF() * 0.9);
    fonts_[Title] = body;
    fonts_[Title].setBold(true);
    fonts_[Title].setPointSizeF(body.pointSizeF() * 1.2);
    for (int r = 0; r < RoleCount; ++r)
        glyphs_[r] = std::make_unique<GlyphPainter>(fonts_[r], device);
    // The page's printable area; a band at its top holds the running head and one at its
    // foot the page number.
    const qreal band = glyphs_[Body]->em() * 2.2;
    frame_ = QRectF(0, band, device->width(), device->height() - 2 * band);
}

Typesetter::~Typesetter() = default;

qreal Typesetter::extentOf(Role role) const
{
    return glyphs_[role]->em() * kSpacing;
}

void Typesetter::add(const PrintEntry& entry)
{
    const int first = int(lines_.size());
    if (!dates_.isEmpty()) {
        Set space;
        space.entry = int(dates_.size());
        space.role = Space;
        sets_ << space;
        tate::Line gap;
        gap.extent = extentOf(Body);
        gap.dropAtTop = true;
        lines_ << gap;
    }
    dates_ << entry.date;
    const int heading = int(lines_.size());
    auto add = [this](const QString& text, Role role) {
        if (options_.direction == Direction::Vertical)
            addVertical(text, role);
        else
            addHorizontal(text, role);
    };
    add(dateHeading(entry.date, options_.wareki, options_.holidays), Date);
    if (!entry.title.trimmed().isEmpty()) add(entry.title.trimmed(), Title);
    const int body = int(lines_.size());
    add(entry.body, Body);
    // The date and title stay with the first two lines of the body, so an entry never
    // starts with a lone line at the foot of a page.
    const int keepTo = std::min(int(lines_.size()) - 1, body + 1);
    for (int i = heading; i < keepTo; ++i)
        lines_[i].keepWithNext = true;
    if (options_.newPagePerDay && first > 0) lines_[first].pageBefore = true;
}

void Typesetter::addHorizontal(const QString& text, Role role)
{
    QString paragraphs = text;
    paragraphs.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    paragraphs.replace(u'\n', QChar::LineSeparator);
    auto layout = std::make_shared<QTextLayout>(paragraphs, fonts_[role], device_);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    layout->beginLayout();
    int n = 0;
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(frame_.width());
        line.setPosition(QPointF(0, 0));
        ++n;
    }
    layout->endLayout();
    for (int i = 0; i < n; ++i) {
        Set set;
        set.entry = int(dates_.size()) - 1;
        set.role = role;
        set.layout = layout;
        set.line = i;
        sets_ << set;
        tate::Line line;
        line.extent = std::max(extentOf(role), layout->lineAt(i).height() * 1.2);
        lines_ << line;
    }
}

void Typesetter::addVertical(const QString& text, Role role)
{
    for (tate::Column& column : tate::breakText(text, *glyphs_[role], frame_.height())) {
        Set set;
        set.entry = int(dates_.size()) - 1;
        set.role = role;
        set.column = std::move(column);
        sets_ << set;
        tate::Line line;
        line.extent = extentOf(role);
        lines_ << line;
    }
}

int Typesetter::paginate()
{
    const qreal capacity =
        options_.direction == Direction::Vertical ? frame_.width() : frame_.height();
    slots_ = tate::paginate(lines_, capacity);
    pages_.clear();
    for (int i = 0; i < slots_.size(); ++i) {
        const int page = slots_[i].page;
        if (page < 0) continue;
        if (pages_.size() <= page) pages_.resize(page + 1);
        pages_[page] << i;
    }
    return int(pages_.size());
}

void Typesetter::paintPage(QPainter& painter, int page)
{
    painter.setPen(Qt::black);
    for (int i : pages_.value(page)) {
        const Set& set = sets_[i];
        if (set.role == Space) continue;
        const qreal start = slots_[i].start;
        const qreal extent = lines_[i].extent;
        if (options_.direction == Direction::Vertical) {
            const qreal x = frame_.right() - start - extent / 2;
            glyphs_[set.role]->paint(painter, set.column, x, frame_.top());
        } else {
            const QTextLine line = set.layout->lineAt(set.line);
            const qreal y = frame_.top() + start + (extent - line.height()) / 2;
            line.draw(&painter, QPointF(frame_.left(), y - line.y()));
        }
    }
    paintHead(painter, page);
}

void Typesetter::paintHead(QPainter& painter, int page)
{
    const QList<int>& sets = pages_.value(page);
    if (sets.isEmpty()) return;
    QFont small = fonts_[Body];
    small.setPointSizeF(small.pointSizeF() * 0.8);
    painter.setFont(small);
    const QDate month = dates_.value(sets_[sets.first()].entry);
    const qreal band = frame_.top();
    painter.drawText(QRectF(0, 0, frame_.width(), band), Qt::AlignHCenter | Qt::AlignTop,
                     monthHeading(month, options_.wareki));
    painter.drawText(QRectF(0, frame_.bottom(), frame_.width(), band),
                     Qt::AlignHCenter | Qt::AlignBottom, QString::number(page + 1));
}

} // namespace drv::print
