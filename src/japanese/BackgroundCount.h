#pragma once
// Counting the shown entry's characters on a thread of its own: a body of megabytes takes
// the better part of a second, which typing must never wait for. A newer request replaces
// one not yet started, and the result of a request that a newer one overtook is dropped,
// so the text delivered is always the newest request's.

#include "StatusLine.h"

#include <QObject>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace drv::jp {

class BackgroundCount final : public QObject {
    Q_OBJECT

public:
    // What a count makes of the body and the selection: the status line's text.
    using Counter = std::function<QString(QStringView body, QStringView selection)>;

    explicit BackgroundCount(Counter counter = countStatusText, QObject* parent = nullptr);
    // Waits for a count under way; its result is dropped.
    ~BackgroundCount() override;
    Q_DISABLE_COPY_MOVE(BackgroundCount)

    void request(QString body, QString selection);

Q_SIGNALS:
    // Delivered in the thread of the receiver (queued): the newest request's text.
    void counted(const QString& text);

private:
    void run();

    const Counter counter_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<std::pair<QString, QString>> pending_; // guarded by mutex_
    quint64 requested_ = 0;                              // guarded by mutex_
    bool stopping_ = false;                              // guarded by mutex_
    std::thread thread_;
};

} // namespace drv::jp
