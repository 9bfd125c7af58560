#pragma once
// The days that already hold another entry than the imported one: both side by side,
// and for each the choice to keep it, replace it or append the imported text. Nothing
// is replaced unless chosen.

#include "Import.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QTableWidget;

namespace drv::keep {

class ConflictDialog final : public QDialog {
    Q_OBJECT

public:
    ConflictDialog(const ImportPlan& plan, const QDate& today, QWidget* parent);
    QList<Resolution> choices() const { return choices_; }
    // Gives the selected days that choice (what its buttons do).
    void choose(Resolution choice);

    QTableWidget* table() const { return table_; }

private:
    void showEntries();

    const ImportPlan& plan_;
    QList<Resolution> choices_;
    QTableWidget* table_ = nullptr;
    QPlainTextEdit* existing_ = nullptr;
    QPlainTextEdit* incoming_ = nullptr;
};

} // namespace drv::keep
