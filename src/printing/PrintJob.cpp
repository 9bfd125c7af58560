#include "PrintJob.h"

#include "Typesetter.h"

#include <QElapsedTimer>
#include <QPagedPaintDevice>
#include <QPainter>

namespace drv::print {

PrintJob::PrintJob(QList<PrintEntry> entries, const PrintOptions& options,
                   QPagedPaintDevice* device)
    : entries_(std::move(entries)), device_(device)
{
    device_->setPageLayout(pageLayoutOf(options));
    typesetter_ = std::make_unique<Typesetter>(options, device_);
}

PrintJob::~PrintJob()
{
    if (painter_ && painter_->isActive()) painter_->end();
}

int PrintJob::progress() const
{
    // Laying out is about a third of the work, painting the rest.
    const int laid = entries_.isEmpty() ? 1 : laid_ * 1000 / int(entries_.size());
    const int painted = pages_ > 0 ? painted_ * 1000 / pages_ : 0;
    return state_ == State::Done ? 1000 : (laid + 2 * painted) / 3;
}

void PrintJob::cancel()
{
    if (state_ == State::Laying || state_ == State::Painting) state_ = State::Cancelled;
    if (painter_ && painter_->isActive()) painter_->end();
}

bool PrintJob::step(int budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < budgetMs) {
        if (state_ == State::Laying) {
            if (laid_ < entries_.size()) {
                typesetter_->add(entries_[laid_++]);
                continue;
            }
            pages_ = typesetter_->paginate();
            painter_ = std::make_unique<QPainter>();
            if (!painter_->begin(device_)) {
                state_ = State::Failed;
                return false;
            }
            state_ = State::Painting;
        } else if (state_ == State::Painting) {
            if (painted_ == pages_) {
                state_ = painter_->end() ? State::Done : State::Failed;
                return false;
            }
            if (painted_ > 0 && !device_->newPage()) {
                state_ = State::Failed;
                painter_->end();
                return false;
            }
            typesetter_->paintPage(*painter_, painted_++);
        } else {
            return false;
        }
    }
    return true;
}

bool PrintJob::run()
{
    while (step(1000)) {
    }
    return finished();
}

bool printEntries(const QList<PrintEntry>& entries, const PrintOptions& options,
                  QPagedPaintDevice* device)
{
    PrintJob job(entries, options, device);
    return job.run();
}

} // namespace drv::print
