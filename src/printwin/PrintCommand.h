#pragma once
// The "印刷…" command: the print dialog, then a preview, a printer or a PDF file.

#include <QDate>
#include <QString>

class QWidget;

namespace drv::print {

// Asks what to print and where, reads the entries and prints them. A PDF or a printer
// is painted in slices under a progress box with a cancel button, so the windows stay
// responsive; a cancelled PDF is removed. shown is the main window's day; the font
// presets the dialog.
void printDiary(QWidget* parent, const QDate& shown, const QString& fontFamily, double fontSize);

} // namespace drv::print
