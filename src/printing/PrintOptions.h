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

// The paper names in the order of Paper: "A4", "A5", "B5", "B6", "文庫".
QStringList paperNames();
// The page of the options: size, orientation and margins.
QPageLayout pageLayoutOf(const PrintOptions& options);

} // namespace drv::print
