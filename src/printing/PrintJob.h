#pragma once
// A print done in slices: each step lays out entries or paints pages for a few tens of
// milliseconds and returns, so the interface thread that drives it stays responsive and
// can cancel between steps.

#include "PrintEntries.h"
#include "PrintOptions.h"

#include <QList>

#include <memory>

class QPagedPaintDevice;
class QPainter;

namespace drv::print {

class Typesetter;

class PrintJob final {
public:
    // Sets the device's page layout from the options; the device must outlive the job.
    PrintJob(QList<PrintEntry> entries, const PrintOptions& options, QPagedPaintDevice* device);
    ~PrintJob();
    Q_DISABLE_COPY_MOVE(PrintJob)

    // Works for about `budgetMs`; false once the job is done, failed or cancelled.
    bool step(int budgetMs = 40);
    // Steps to the end; true when every page was painted.
    bool run();
    void cancel();

    bool finished() const { return state_ == State::Done; }
    bool failed() const { return state_ == State::Failed; }
    int pageCount() const { return pages_; }
    int progress() const; // 0 … 1000

private:
    enum class State { Laying, Painting, Done, Failed, Cancelled };
    QList<PrintEntry> entries_;
    QPagedPaintDevice* device_;
    std::unique_ptr<Typesetter> typesetter_;
    std::unique_ptr<QPainter> painter_;
    State state_ = State::Laying;
    int laid_ = 0;
    int painted_ = 0;
    int pages_ = 0;
};

// Prints the entries at once (the preview and tests); true when every page was painted.
bool printEntries(const QList<PrintEntry>& entries, const PrintOptions& options,
                  QPagedPaintDevice* device);

} // namespace drv::print
