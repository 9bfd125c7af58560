#pragma once
// One running copy per diary. Two windows on one data folder would each save their own
// view of a day over the other's, so the copy that starts first holds a lock file in
// the folder and listens on a local socket named after the folder; a later start on
// the same folder asks it to bring its window to the front and ends. A lock left by a
// copy that died here is taken over. A lock held on another machine (the folder is
// shared) or by a copy here that does not answer never blocks for ever: the user sees
// who holds it and since when, and opens the diary read-only or takes the lock over
// once sure that copy is gone. Another data folder is another diary and runs beside.

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

namespace drv {

class RunningCopy final : public QObject {
    Q_OBJECT

public:
    explicit RunningCopy(QObject* parent = nullptr);
    ~RunningCopy() override;

    enum class Claim {
        Held,     // this copy holds the diary in the folder
        ReadOnly, // held elsewhere; the user chose to read it without writing
        Refused,  // held elsewhere: handed over to that copy, or the user chose to end
    };
    // Claims the diary in folder (ending in "/"). A copy here that holds it is asked to
    // come to the front (handedOver()); a holder that cannot be asked is the user's call.
    Claim claim(const QString& folder);
    bool handedOver() const { return handedOver_; }

    // The socket through which the copies of one folder meet.
    static QString socketPath(const QString& folder);

Q_SIGNALS:
    // Another start on this diary wants this copy's window in front.
    void raiseRequested();

private:
    bool ask(const QString& path);
    enum class Answer { ReadOnly, TakeOver, End };
    static Answer askUser(const QString& folder, const QLockFile& lock, const QString& lockPath);

    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
    bool handedOver_ = false;
};

// The program's copy while Main runs, for the main window's load step to claim its
// diary once the folder is known; none in tests that build windows by themselves.
RunningCopy* runningCopy();
void setRunningCopy(RunningCopy* copy);

} // namespace drv
