#pragma once
// What the print dialog chooses: the days, the direction of writing, the paper, the font.

#include <QDate>
#include <QPageLayout>
#include <QString>
#include <QStringList>

namespace drv::print {

enum class Direction { Horizontal, Vertical }; // 横書き, 縦書き
enum class Paper { A4, A5, B5, B6, Bunko };    // B5 and B6 as Japan cuts them (JIS)

struct PrintOptions {
    QDate from, to; // both included
    Direction direction = Direction::Horizontal;
    Paper paper = Paper::A5;
    bool landscape = false;
    QString fontFamily;
    double fontSize = 10.5; // points
    bool newPagePerDay = false;
    bool wareki = false;  // dates in the era calendar (和暦)
    bool holidays = true; // a holiday's name after its date
};

// Which days: the shown day, the shown month, a year, every day, or from one day to
// another.
enum class Range { ShownDay, ShownMonth, Year, Every, Between };
struct RangeChoice {
    Range range = Range::ShownMonth;
    QDate shown;       // the main window's day
    int year = 0;      // for Year
    QDate from, to;    // for Between, either order
    QDate first, last; // the diary's first and last stored day, for Every
};
// The first and last day of a choice; from > to (nothing) when Every finds no entry.
void rangeDates(const RangeChoice& choice, QDate& from, QDate& to);

// The paper names in the order of Paper: "A4", "A5", "B5", "B6", "文庫".
QStringList paperNames();
// The page of the options: size, orientation and margins.
QPageLayout pageLayoutOf(const PrintOptions& options);

} // namespace drv::print
