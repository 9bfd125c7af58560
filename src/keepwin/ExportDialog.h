#pragma once
// How to export: the format and its encoding, and every day or a date range.

#include "Export.h"

#include <QDialog>

class QComboBox;
class QDateEdit;
class QRadioButton;

namespace drv::keep {

class ExportDialog final : public QDialog {
    Q_OBJECT

public:
    ExportDialog(const QDate& today, QWidget* parent);
    ExportOptions options() const;
    // The file's suffix for the chosen format, with its dot.
    QString suffix() const;

private:
    QComboBox* format_ = nullptr;
    QRadioButton* range_ = nullptr;
    QDateEdit* from_ = nullptr;
    QDateEdit* to_ = nullptr;
};

} // namespace drv::keep
