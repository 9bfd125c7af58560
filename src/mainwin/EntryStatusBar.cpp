#include "EntryStatusBar.h"

#include "StatusLine.h"
#include "uTxA.h"

#include <QElapsedTimer>
#include <QLabel>

#include <algorithm>

namespace drv {

namespace {

constexpr std::chrono::milliseconds kShortestPause{150};
// Handing the texts over may take at most a fifth of the time while the user types.
constexpr int kPausePerCount = 4;

} // namespace

EntryStatusBar::EntryStatusBar(uTxA* editor, QWidget* parent, jp::BackgroundCount::Counter counter)
    : QStatusBar(parent), editor_(editor), date_(new QLabel(this)), count_(new QLabel(this)),
      counter_(std::make_unique<jp::BackgroundCount>(std::move(counter)))
{
    setObjectName(QStringLiteral("stLine"));
    date_->setObjectName(QStringLiteral("stDate"));
    count_->setObjectName(QStringLiteral("stCount"));
    addWidget(date_, 1);
    addPermanentWidget(count_);
    recount_.setSingleShot(true);
    connect(&recount_, &QTimer::timeout, this, &EntryStatusBar::updateCount);
    connect(editor_, &uTxA::eChng, this, &EntryStatusBar::scheduleCount);
    connect(editor_, &uTxA::selectionChanged, this, &EntryStatusBar::scheduleCount);
    connect(counter_.get(), &jp::BackgroundCount::counted, count_, &QLabel::setText);
    updateCount();
}

// The counting thread ends before the label it writes to.
EntryStatusBar::~EntryStatusBar() = default;

void EntryStatusBar::showDay(const QDate& date)
{
    date_->setText(jp::dayStatusText(date));
}

void EntryStatusBar::scheduleCount()
{
    // Not restarted by every key: the count must not wait for the typing to stop.
    if (!recount_.isActive()) recount_.start(pause_);
}

void EntryStatusBar::updateCount()
{
    QElapsedTimer took;
    took.start();
    counter_->request(editor_->rawText(), editor_->rawSelection());
    pause_ = std::max(kShortestPause, std::chrono::milliseconds(took.elapsed() * kPausePerCount));
}

} // namespace drv
