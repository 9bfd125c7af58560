#include "IndexProgress.h"

#include "SearchIndex.h"

#include <QEvent>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QStatusBar>

namespace drv {

IndexProgress::IndexProgress(QMainWindow* window, std::function<void()> relayout)
    : QObject(window), window_(window), relayout_(std::move(relayout))
{
    delay_.setSingleShot(true);
    delay_.setInterval(kShowAfterMs);
    connect(&delay_, &QTimer::timeout, this, &IndexProgress::show);
    setSearchIndexProgress([this](int done, int total) { report(done, total); });
}

IndexProgress::~IndexProgress()
{
    setSearchIndexProgress({});
}

void IndexProgress::report(int done, int total)
{
    done_ = done;
    total_ = total;
    if (done >= total) {
        delay_.stop();
        if (label_) {
            window_->statusBar()->removeWidget(label_);
            window_->statusBar()->removeWidget(bar_);
            delete label_;
            delete bar_;
            label_ = nullptr;
            bar_ = nullptr;
            // The status bar may have been there before, with the day and its count.
            if (hideAfter_) window_->statusBar()->hide();
        }
        return;
    }
    if (bar_) {
        bar_->setRange(0, total);
        bar_->setValue(done);
    } else if (!delay_.isActive()) {
        delay_.start();
    }
}

bool IndexProgress::shown() const
{
    return bar_ != nullptr;
}

bool IndexProgress::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && watched == client_ && relayout_) relayout_();
    return false;
}

void IndexProgress::show()
{
    if (bar_ || done_ >= total_) return;
    QStatusBar* status = window_->statusBar();
    label_ = new QLabel(QStringLiteral("検索用の索引を作成しています"), status);
    bar_ = new QProgressBar(status);
    bar_->setObjectName(QStringLiteral("indexProgress"));
    bar_->setMaximumWidth(200);
    bar_->setRange(0, total_);
    bar_->setValue(done_);
    hideAfter_ = status->isHidden();
    status->addWidget(label_);
    status->addWidget(bar_);
    // The bar takes its height from the client area; the controls are placed again in it.
    client_ = window_->centralWidget();
    if (client_) client_->installEventFilter(this);
    status->show();
}

} // namespace drv
