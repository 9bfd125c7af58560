#pragma once
// The choices of the tools commands that need more than OK or Cancel: which snapshot,
// how and where to export, which file to import, what to do with days that hold an
// entry. The real one shows dialogs; tests install one that answers from a script.

#include "Export.h"
#include "Import.h"
#include "Snapshots.h"

class QWidget;

namespace drv::keep {

struct SnapshotChoice {
    Snapshot snapshot;
    DiarySummary summary;
    QString unreadable; // why the snapshot cannot be read; empty when it can
};

class KeepAsk {
public:
    virtual ~KeepAsk() = default;
    // An index into the list; false when cancelled.
    virtual bool chooseSnapshot(QWidget* parent, const QList<SnapshotChoice>& list, int& index) = 0;
    virtual bool chooseExport(QWidget* parent, ExportOptions& options, QString& path) = 0;
    virtual bool chooseImport(QWidget* parent, QString& path, Format& format) = 0;
    // choices comes with Keep for every conflict; false when cancelled.
    virtual bool resolveConflicts(QWidget* parent, const ImportPlan& plan,
                                  QList<Resolution>& choices) = 0;
};

// The one in force: the real dialogs unless another was installed.
KeepAsk& keepAsk();
// nullptr puts the real dialogs back.
void setKeepAsk(KeepAsk* ask);

} // namespace drv::keep
