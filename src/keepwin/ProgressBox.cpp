#include "ProgressBox.h"

#include <QApplication>
#include <QProgressDialog>

namespace drv::keep {

namespace {

constexpr int kShowAfterMs = 500;
constexpr int kStepEveryMs = 40; // the window's events are seen this often
constexpr int kScale = 1000;

} // namespace

ProgressBox::ProgressBox(QWidget* parent, const QString& label)
    : box_(std::make_unique<QProgressDialog>(label, QStringLiteral("取りやめ"), 0, kScale, parent))
{
    box_->setWindowTitle(QApplication::applicationName());
    box_->setWindowModality(Qt::WindowModal);
    box_->setMinimumDuration(kShowAfterMs);
    box_->setAutoClose(false);
    box_->setAutoReset(false);
    box_->setValue(0);
    since_.start();
}

ProgressBox::~ProgressBox() = default;

Progress ProgressBox::progress()
{
    return [this](qint64 done, qint64 total) { return step(done, total); };
}

bool ProgressBox::step(qint64 done, qint64 total)
{
    if (cancelled_) return false;
    if (since_.elapsed() < kStepEveryMs) return true;
    since_.restart();
    box_->setValue(total > 0 ? int(std::min(done, total) * kScale / total) : 0);
    // The window is painted meanwhile. Until the box is up it takes no input; then the
    // box, being modal, keeps input from it.
    QCoreApplication::processEvents(box_->isVisible() ? QEventLoop::AllEvents
                                                      : QEventLoop::ExcludeUserInputEvents);
    cancelled_ = box_->wasCanceled();
    return !cancelled_;
}

void ProgressBox::done()
{
    box_->reset();
    box_->hide();
}

} // namespace drv::keep
