#include "BackgroundCount.h"

namespace drv::jp {

BackgroundCount::BackgroundCount(Counter counter, QObject* parent)
    : QObject(parent), counter_(std::move(counter)), thread_([this] { run(); })
{
}

BackgroundCount::~BackgroundCount()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void BackgroundCount::request(QString body, QString selection)
{
    {
        std::lock_guard lock(mutex_);
        pending_.emplace(std::move(body), std::move(selection));
        ++requested_;
    }
    wake_.notify_all();
}

void BackgroundCount::run()
{
    for (;;) {
        std::pair<QString, QString> texts;
        quint64 serial = 0;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || pending_.has_value(); });
            if (stopping_) return;
            texts = std::move(*pending_);
            pending_.reset();
            serial = requested_;
        }
        const QString text = counter_(texts.first, texts.second);
        // Under the lock, so that no result is posted once the destructor has begun.
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        if (serial == requested_) Q_EMIT counted(text);
    }
}

} // namespace drv::jp
