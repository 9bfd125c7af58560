#pragma once
// What to print and how: the range of days, 横書き or 縦書き, the paper, the font, a
// page per day, 和暦 dates; and where to: a preview, a printer or a PDF file.

#include "PrintOptions.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QDoubleSpinBox;
class QFontComboBox;
class QLabel;
class QSpinBox;

namespace drv::print {

class PrintDialog final : public QDialog {
    Q_OBJECT

public:
    enum Output { Preview = 10, Printer, Pdf }; // the dialog's result after OK
    PrintDialog(const QDate& shown, const QString& fontFamily, double fontSize,
                QWidget* parent = nullptr);

    RangeChoice range() const;
    PrintOptions options() const; // everything but the days

private:
    void rangeChanged();

    QDate shown_;
    QComboBox* range_;
    QSpinBox* year_;
    QDateEdit* from_;
    QDateEdit* to_;
    QLabel* tilde_;
    QComboBox* direction_;
    QComboBox* paper_;
    QComboBox* orientation_;
    QFontComboBox* font_;
    QDoubleSpinBox* size_;
    QCheckBox* newPage_;
    QCheckBox* wareki_;
    QCheckBox* holidays_;
};

} // namespace drv::print
