#include "PeerDiary.h"

#include "DateKey.h"

#include <algorithm>

namespace drv::peers {

namespace {

// A day the keys hold: its key reads back as the same date in the window.
bool inWindow(const QDate& date, const QDate& today)
{
    return date.isValid() && DateKey::toDate(DateKey::fromDate(date), today) == date;
}

} // namespace

QString titleOfText(const QString& text)
{
    for (QStringView line : QStringView(text).split(u'\n')) {
        const QStringView t = line.trimmed();
        if (!t.isEmpty()) return t.left(kTitleLength).toString();
    }
    return {};
}

void DayBook::add(const QDate& date, int order, const QString& title, const QString& text,
                  qsizetype bodyFrom, int line)
{
    Piece p{date, order, title.trimmed(), text, std::min(bodyFrom, text.size()), line, {}, false};
    if (p.title.isEmpty() && QStringView(text).trimmed().isEmpty()) return;
    pieces_ << std::move(p);
}

void DayBook::add(const QDate& date, int order, const QString& title, const QString& body,
                  const QString& text, int line)
{
    Piece p{date, order, title.trimmed(), text, 0, line, body.trimmed(), true};
    if (p.title.isEmpty() && p.body.isEmpty() && QStringView(text).trimmed().isEmpty()) return;
    pieces_ << std::move(p);
}

PeerResult DayBook::finish()
{
    // Stable: entries of one day and order keep the order they were added in.
    std::stable_sort(pieces_.begin(), pieces_.end(), [](const Piece& a, const Piece& b) {
        if (a.date != b.date) return a.date < b.date;
        return a.order < b.order;
    });
    PeerResult r;
    r.undated = undated_;
    r.source.entries.reserve(pieces_.size());
    for (qsizetype i = 0; i < pieces_.size();) {
        Piece& first = pieces_[i];
        if (!inWindow(first.date, today_)) {
            r.outside << first.date.toString(Qt::ISODate);
            while (i < pieces_.size() && pieces_.at(i).date == first.date)
                ++i;
            continue;
        }
        keep::ImportedEntry e;
        e.entry.skYmn = DateKey::fromDate(first.date);
        e.entry.szTtl = std::move(first.title);
        if (first.ownBody)
            e.entry.szDoc = std::move(first.body);
        else // the text's head dropped in place: no copy of the body
            e.entry.szDoc = std::move(first.text.remove(0, first.bodyFrom)).trimmed();
        e.line = first.line;
        const QDate day = first.date;
        // Later entries of the day follow after a blank line, each as a whole.
        for (++i; i < pieces_.size() && pieces_.at(i).date == day; ++i) {
            const QString more = std::move(pieces_[i].text).trimmed();
            if (more.isEmpty()) continue;
            e.entry.szDoc =
                e.entry.szDoc.isEmpty() ? more : e.entry.szDoc + QStringLiteral("\n\n") + more;
        }
        r.source.entries << std::move(e);
    }
    pieces_.clear();
    return r;
}

} // namespace drv::peers
