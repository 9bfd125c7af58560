#pragma once
// Progress of long work on the interface thread: a box with a cancel button that shows
// itself only when the work takes longer than a moment. While it runs, the window
// stays painted; only the box takes input.

#include "Progress.h"

#include <QElapsedTimer>
#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;

namespace drv::keep {

class ProgressBox {
public:
    ProgressBox(QWidget* parent, const QString& label);
    ~ProgressBox();
    Q_DISABLE_COPY_MOVE(ProgressBox)

    // Hands on progress now and then; false once the user cancelled.
    Progress progress();
    bool cancelled() const { return cancelled_; }
    // Hides the box, before a question or the result is shown.
    void done();

private:
    bool step(qint64 done, qint64 total);

    std::unique_ptr<QProgressDialog> box_;
    QElapsedTimer since_;
    bool cancelled_ = false;
};

} // namespace drv::keep
