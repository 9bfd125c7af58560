#pragma once
// A diary's lock file as another copy leaves it: its process id, program and host name,
// one a line (and the machine's id, as Qt writes it, when one is given), with the file's
// time as when that copy took the lock.

#include <QDateTime>
#include <QFile>
#include <QString>

namespace drv::test {

inline bool writeLock(const QString& folder, qint64 pid, const QString& host, qint64 ageSeconds,
                      const QByteArray& machineId = {})
{
    QFile f(folder + QStringLiteral("drvesk.lock"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    f.write(QByteArray::number(pid) + "\ndrvesk\n" + host.toUtf8() + '\n' +
            (machineId.isEmpty() ? QByteArray() : machineId + '\n'));
    f.flush(); // else the write at close would set the time to now
    return f.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds),
                         QFileDevice::FileModificationTime);
}

inline QByteArray lockBytes(const QString& folder)
{
    QFile f(folder + QStringLiteral("drvesk.lock"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace drv::test
