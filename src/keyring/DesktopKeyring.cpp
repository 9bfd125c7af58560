#include "DesktopKeyring.h"

#include <QEventLoop>

#include <qt6keychain/keychain.h>

namespace drv {

namespace {

const QString kService = QStringLiteral("drvesk");

// Runs a job to its end; false with the keyring's reason.
bool run(QKeychain::Job& job, const QString& account, QString& reason)
{
    job.setAutoDelete(false);
    // Without a keyring QtKeychain could fall back to a plain settings file: never here.
    job.setInsecureFallback(false);
    job.setKey(account);
    bool done = false;
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&done, &loop] {
        done = true;
        loop.quit();
    });
    job.start();
    // A job that fails at once (no session bus) may have ended before the loop runs.
    if (!done) loop.exec();
    if (job.error() == QKeychain::NoError) return true;
    reason = job.errorString();
    if (reason.isEmpty()) reason = QStringLiteral("キーリングを使えません");
    return false;
}

} // namespace

bool DesktopKeyring::read(const QString& account, QByteArray& secret, QString& reason)
{
    QKeychain::ReadPasswordJob job(kService);
    if (!run(job, account, reason)) return false;
    secret = job.binaryData();
    return true;
}

bool DesktopKeyring::write(const QString& account, const QByteArray& secret, QString& reason)
{
    QKeychain::WritePasswordJob job(kService);
    job.setBinaryData(secret);
    return run(job, account, reason);
}

bool DesktopKeyring::remove(const QString& account, QString& reason)
{
    QKeychain::DeletePasswordJob job(kService);
    if (run(job, account, reason)) return true;
    // Nothing to remove is what was wanted.
    return job.error() == QKeychain::EntryNotFound;
}

} // namespace drv
