#pragma once
// The words that head an entry and a page.

#include <QDate>
#include <QString>

namespace drv::print {

// "2026年11月3日（火）", or "令和8年11月3日（火）" in the era calendar; the holiday's
// name follows after an ideographic space when asked for: "…（火）　文化の日".
QString dateHeading(const QDate& date, bool wareki, bool holiday);
// The running head of a page: "2026年11月", or "令和8年11月".
QString monthHeading(const QDate& date, bool wareki);

} // namespace drv::print
