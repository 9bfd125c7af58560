#include "Unprivileged.h"

#include "FakePlatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace drv::test {

bool ignoresPermissions()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("probe"));
    QFile probe(path);
    if (!probe.open(QIODevice::WriteOnly)) return false;
    probe.close();
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    return probe.open(QIODevice::WriteOnly | QIODevice::Append);
}

void rerunAsNobody()
{
    const passwd* pw = ::getpwnam("nobody");
    if (!pw) QSKIP("running as root and there is no user \"nobody\" to run this case as");
    const uid_t uid = pw->pw_uid;
    const gid_t gid = pw->pw_gid;

    // A place the child can reach: this program and the template may lie in folders that
    // only root can enter.
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    QFile::setPermissions(scratch.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                              QFileDevice::ExeOther);
    const QString exe = scratch.filePath(QStringLiteral("test"));
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), exe));
    QFile::setPermissions(exe, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                   QFileDevice::ReadOther | QFileDevice::ExeOther);
    const QString tmpl = scratch.filePath(QStringLiteral("dbVesk.mdb"));
    QVERIFY(QFile::copy(FakePlatform::templatePath(), tmpl));
    QFile::setPermissions(tmpl, QFileDevice::ReadOwner | QFileDevice::ReadOther);
    const QString home = scratch.filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(home + QStringLiteral("/run")));
    for (const QString& d : {home, home + QStringLiteral("/run")}) {
        QVERIFY(::chown(QFile::encodeName(d).constData(), uid, gid) == 0);
        QFile::setPermissions(d, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                     QFileDevice::ExeOwner);
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
    env.insert(QStringLiteral("DRVESK_TEMPLATE"), tmpl);
    env.remove(QStringLiteral("TMPDIR"));

    QString function = QString::fromLatin1(QTest::currentTestFunction());
    if (const char* tag = QTest::currentDataTag()) function += u':' + QString::fromUtf8(tag);

    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(home);
    p.setChildProcessModifier([uid, gid] {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(gid, gid, gid) != 0 ||
            ::setresuid(uid, uid, uid) != 0)
            ::_exit(111);
    });
    p.start(exe, {function});
    QVERIFY2(p.waitForFinished(180000), "the unprivileged run did not end");
    const QByteArray out = p.readAll();
    if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 111)
        QSKIP("running as root and cannot switch a child process to the user \"nobody\"");
    QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, "as nobody:\n" + out);
    // It must really have run there, not skipped.
    const QByteArray name = "::" + QByteArray(QTest::currentTestFunction()) + '(';
    bool ran = false;
    for (const QByteArray& line : out.split('\n'))
        ran = ran || (line.startsWith("PASS   : ") && line.contains(name));
    QVERIFY2(ran && !out.contains("SKIP   : "), "as nobody:\n" + out);
}

} // namespace drv::test
