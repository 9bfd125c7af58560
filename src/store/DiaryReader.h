#pragma once
// The open diary read from another thread, on a read-only connection of its own, so that
// a long read (every row of a large diary) never holds the store's connection or its
// thread. Made on the store's thread while the diary is open (it notes the file and the
// century window there), then used by one thread at a time. Each page is read in a read
// transaction of its own, so a save of the window waits at most for one page.
//
// A plain diary's rows only: an encrypted diary's sealed values are not opened here.

#include "Diary.h"

#include <memory>
#include <optional>

namespace drv {

namespace sql {
class Connection;
}

namespace diary {

class DiaryReader {
public:
    // On the store's thread.
    DiaryReader();
    ~DiaryReader();
    Q_DISABLE_COPY_MOVE(DiaryReader)

    // How many entries the diary holds. Opens the connection at the first call of any.
    bool count(int& n);
    // Every entry, in date order as diary::walk gives them.
    bool walk(int pageSize, const std::function<bool(const QList<DiaryEntry>& page)>& visit);
    // The day's entry as it is now; nullopt when the day holds none.
    bool read(const QString& key, std::optional<DiaryEntry>& entry);
    // Why the last call failed.
    QString failure() const { return failure_; }

private:
    bool ready();

    QString path_;
    QString pivotKey_;
    bool encrypted_ = false;
    std::unique_ptr<sql::Connection> db_;
    QString failure_;
};

// The engine's data version on the store's connection: it changes when another
// connection (another program, another copy) commits to the diary.
bool dataVersion(qint64& version);

} // namespace diary
} // namespace drv
