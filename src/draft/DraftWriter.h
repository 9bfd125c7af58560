#pragma once
// Writes a draft file on a thread of its own, so that typing never waits for the disk.
// Only the newest content matters: a submission replaces one that is still waiting.

#include "Draft.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace drv {

class DraftWriter final {
public:
    explicit DraftWriter(QString path);
    // Finishes what was submitted, then stops.
    ~DraftWriter();
    DraftWriter(const DraftWriter&) = delete;
    DraftWriter& operator=(const DraftWriter&) = delete;

    // The file's next content: these drafts, or no file at all for an empty list.
    void submit(QList<Draft> drafts);
    // Waits until everything submitted is on disk; false when the last write failed.
    bool flush();
    const QString& path() const { return path_; }

private:
    void run();

    const QString path_;
    std::mutex m_;
    std::condition_variable cv_;
    std::optional<QList<Draft>> pending_;
    bool busy_ = false;
    bool stop_ = false;
    bool lastOk_ = true;
    std::thread worker_;
};

} // namespace drv
