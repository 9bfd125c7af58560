#pragma once
// The list of snapshots to restore from: when each was taken, how many entries it
// holds and its newest entry.

#include "KeepAsk.h"

#include <QDialog>

class QTableWidget;

namespace drv::keep {

class RestoreDialog final : public QDialog {
    Q_OBJECT

public:
    RestoreDialog(const QList<SnapshotChoice>& list, QWidget* parent);
    // The chosen row, or -1.
    int chosen() const;

private:
    QTableWidget* table_ = nullptr;
};

} // namespace drv::keep
