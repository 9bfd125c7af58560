#include "RunningCopy.h"

#include "Platform.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>

namespace drv {

namespace {

RunningCopy* programCopy = nullptr;

// A copy that holds the lock may still be starting up and not yet listening.
constexpr int kReachMs = 5000;

// How long ago, in the largest whole unit.
QString ageText(qint64 seconds)
{
    if (seconds < 0) return QStringLiteral("不明（そのコンピューターの時計が進んでいます）");
    if (seconds < 60) return QStringLiteral("1 分未満");
    if (seconds < 3600) return QStringLiteral("%1 分前").arg(seconds / 60);
    if (seconds < 86400) return QStringLiteral("%1 時間前").arg(seconds / 3600);
    return QStringLiteral("%1 日前").arg(seconds / 86400);
}

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

RunningCopy::Claim RunningCopy::claim(const QString& folder)
{
    if (lock_) return Claim::Held;
    const QString path = socketPath(folder);
    const QString lockPath = folder + QStringLiteral("drvesk.lock");
    auto lock = std::make_unique<QLockFile>(lockPath);
    // A running copy's lock never ages: on another machine it stays valid however long
    // that copy runs. One whose process is gone from this machine is stale.
    lock->setStaleLockTime(0);
    const QDeadlineTimer deadline(kReachMs);
    while (!lock->tryLock(0)) {
        if (lock->error() != QLockFile::LockFailedError) return Claim::Held; // no lock here
        qint64 pid = 0;
        QString host, app;
        const bool known = lock->getLockInfo(&pid, &host, &app);
        const bool here = known && (host.isEmpty() || host == QSysInfo::machineHostName());
        // A copy here may still be starting up and not yet listening.
        if (!known || here) {
            if (ask(path)) {
                handedOver_ = true;
                return Claim::Refused;
            }
            if (!deadline.hasExpired()) {
                QThread::msleep(100);
                continue;
            }
        }
        switch (askUser(folder, *lock, lockPath)) {
        case Answer::ReadOnly:
            return Claim::ReadOnly;
        case Answer::End:
            return Claim::Refused;
        case Answer::TakeOver:
            if (!lock->removeStaleLockFile())
                services().dialogs->message(
                    QStringLiteral("ロックファイル %1 を削除できません").arg(lockPath));
            break;
        }
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
    return Claim::Held;
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

namespace drv {

RunningCopy::Answer RunningCopy::askUser(const QString& folder, const QLockFile& lock,
                                         const QString& lockPath)
{
    qint64 pid = 0;
    QString host, app;
    const bool known = lock.getLockInfo(&pid, &host, &app);
    // The file's time is when the holder took the lock: it is never touched after.
    const QDateTime since = QFileInfo(lockPath).lastModified();
    const QString text =
        QStringLiteral("%1 の日記は、ほかのプログラムが使用中です。\n\n"
                       "コンピューター: %2\nプロセス: %3\n使用開始: %4（%5）\n\n"
                       "そのプログラムで日記を閉じてからやり直すか、読み取り専用で開いてください。"
                       "そのプログラムが異常終了したなど、もう動いていないことが確かなときだけ"
                       "引き継いでください。")
            .arg(folder, known ? host : QStringLiteral("不明"),
                 known ? QStringLiteral("%1 (%2)").arg(pid).arg(app) : QStringLiteral("不明"),
                 since.toString(QStringLiteral("yyyy/MM/dd HH:mm")),
                 ageText(since.secsTo(QDateTime::currentDateTime())));
    const QStringList answers = {QStringLiteral("読み取り専用で開く"), QStringLiteral("引き継ぐ…"),
                                 QStringLiteral("終了")};
    Dialogs& dialogs = *services().dialogs;
    for (;;) {
        switch (dialogs.choose(text, answers)) {
        case 0:
            return Answer::ReadOnly;
        case 1:
            // Two machines writing one diary file lose entries: only a copy that is gone.
            if (dialogs.confirm(
                    QStringLiteral("%1 のプロセス %2 がもう動いていないことを確かめましたか？\n\n"
                                   "動いているのに引き継ぐと、二つのプログラムが一つの日記ファイル"
                                   "に書き込み、書いた日記が失われます。")
                        .arg(known ? host : QStringLiteral("不明"))
                        .arg(pid)))
                return Answer::TakeOver;
            break;
        default:
            return Answer::End;
        }
    }
}

} // namespace drv
