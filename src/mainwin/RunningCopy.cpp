#include "RunningCopy.h"

#include "Platform.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

namespace drv {

namespace {

RunningCopy* programCopy = nullptr;

// A copy that holds the lock may still be starting up and not yet listening.
constexpr int kReachMs = 5000;

} // namespace

RunningCopy* runningCopy()
{
    return programCopy;
}

void setRunningCopy(RunningCopy* copy)
{
    programCopy = copy;
}

RunningCopy::RunningCopy(QObject* parent) : QObject(parent) {}

RunningCopy::~RunningCopy()
{
    if (server_) server_->close();
    if (programCopy == this) programCopy = nullptr;
}

QString RunningCopy::socketPath(const QString& folder)
{
    // The same folder under another spelling is the same diary.
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    const QByteArray id =
        QCryptographicHash::hash((canonical.isEmpty() ? folder : canonical).toUtf8(),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(24);
    // The data folder may lie on a shared or synced drive, where sockets cannot live.
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    return dir + QStringLiteral("/drvesk-") + QString::fromLatin1(id);
}

bool RunningCopy::claim(const QString& folder)
{
    if (lock_) return true;
    const QString path = socketPath(folder);
    auto lock = std::make_unique<QLockFile>(folder + QStringLiteral("drvesk.lock"));
    // A running copy's lock never ages; only one whose process is gone is stale.
    lock->setStaleLockTime(0);
    const QDeadlineTimer deadline(kReachMs);
    while (!lock->tryLock(0)) {
        if (lock->error() != QLockFile::LockFailedError) return true; // no lock to be had here
        if (ask(path)) {
            handedOver_ = true;
            return false;
        }
        if (deadline.hasExpired()) {
            // Held by a copy that does not answer: on another machine, or hanging.
            services().dialogs->message(folder + QStringLiteral(" の日記は他で使用中です"));
            return false;
        }
        QThread::msleep(100);
    }
    lock_ = std::move(lock);

    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // What is left at the path belongs to a copy that died: this one holds the lock.
    QLocalServer::removeServer(path);
    server_->listen(path);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            s->disconnectFromServer();
        }
        Q_EMIT raiseRequested();
    });
    return true;
}

bool RunningCopy::ask(const QString& path)
{
    QLocalSocket s;
    s.connectToServer(path);
    if (!s.waitForConnected(1000)) return false;
    s.write("raise\n");
    s.waitForBytesWritten(1000);
    s.disconnectFromServer();
    return true;
}

} // namespace drv
