#pragma once
// Sets entries on the pages of one device: their lines (or columns), where each goes, and
// the painting of a page with its running head and number.

#include "Columns.h"
#include "Pages.h"
#include "PrintEntries.h"
#include "PrintOptions.h"

#include <QFont>
#include <QList>
#include <QRectF>
#include <QTextLayout>

#include <memory>

class QPainter;
class QPagedPaintDevice;

namespace drv::print {

class GlyphPainter;

class Typesetter final {
public:
    // The device's page layout must be set already; the typesetter measures on it.
    Typesetter(const PrintOptions& options, QPagedPaintDevice* device);
    ~Typesetter();
    Q_DISABLE_COPY_MOVE(Typesetter)

    // Lays out one more entry after those before it.
    void add(const PrintEntry& entry);
    // Places every line; returns how many pages there are.
    int paginate();
    // Paints a page (from 0) with the painter active on the device.
    void paintPage(QPainter& painter, int page);

private:
    enum Role { Date, Title, Body, Space, RoleCount };
    struct Set {
        int entry = 0;
        Role role = Body;
        std::shared_ptr<QTextLayout> layout; // horizontal: its layout and line
        int line = 0;
        tate::Column column; // vertical
    };
    void addHorizontal(const QString& text, Role role);
    void addVertical(const QString& text, Role role);
    qreal extentOf(Role role) const;
    void paintHead(QPainter& painter, int page);

    PrintOptions options_;
    QPagedPaintDevice* device_;
    QRectF frame_; // where the lines go; the head and the page number lie outside it
    QFont fonts_[RoleCount];
    std::unique_ptr<GlyphPainter> glyphs_[RoleCount];
    QList<QDate> dates_;
    QList<Set> sets_;
    QList<tate::Line> lines_;
    QList<QList<int>> pages_; // the sets of each page, in order
    QList<tate::Slot> slots_;
};

} // namespace drv::print
