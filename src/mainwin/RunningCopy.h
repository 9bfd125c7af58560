#pragma once
// One running copy per diary. Two windows on one data folder would each save their own
// view of a day over the other's, so the copy that starts first holds a lock file in
// the folder and listens on a local socket named after the folder; a later start on
// the same folder asks it to bring its window to the front and ends. A lock left by a
// copy that died is taken over. Another data folder is another diary and runs beside.

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

    // True when this copy now holds the diary in folder (ending in "/"). False when
    // another copy holds it; that copy was asked to come to the front when it could be
    // reached (handedOver()).
    bool claim(const QString& folder);
    bool handedOver() const { return handedOver_; }

    // The socket through which the copies of one folder meet.
    static QString socketPath(const QString& folder);

Q_SIGNALS:
    // Another start on this diary wants this copy's window in front.
    void raiseRequested();

private:
    bool ask(const QString& path);

    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
    bool handedOver_ = false;
};

// The program's copy while Main runs, for the main window's load step to claim its
// diary once the folder is known; none in tests that build windows by themselves.
RunningCopy* runningCopy();
void setRunningCopy(RunningCopy* copy);

} // namespace drv
