// The input-method switch: the mode table against a recording input method, and the
// fcitx5 controller reached over a private D-Bus bus with a stand-in for fcitx5.

#include "Fcitx5Backend.h"
#include "IbusBackend.h"
#include "ImeModes.h"
#include "SetIme.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace drv;

namespace {

class RecordingIme final : public ImeBackend {
public:
    bool context = true;
    bool open = false;
    ImeStatus current;
    QStringList log;

    bool hasContext() override { return context; }
    void setOpen(bool o) override
    {
        log << (o ? u"open"_qs : u"close"_qs);
        open = o;
    }
    ImeStatus status() override
    {
        log << u"read"_qs;
        return current;
    }
    void setStatus(const ImeStatus& s) override
    {
        log << u"write %1/%2"_qs.arg(s.conversion).arg(s.sentence);
        current = s;
    }
};

} // namespace

// fcitx5's controller as far as the switch uses it.
class FakeFcitxController : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.fcitx.Fcitx.Controller1")

public:
    int activations = 0;
    int deactivations = 0;

public Q_SLOTS:
    void Activate() { ++activations; }
    void Deactivate() { ++deactivations; }
    int State() { return activations > deactivations ? 2 : 1; }
};

// An IBus engine as far as the switch uses it.
class FakeEngine : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.IBus.Engine")

public:
    QStringList activated;

public Q_SLOTS:
    void PropertyActivate(const QString& name, uint state)
    {
        activated << name + u' ' + QString::number(state);
    }
};

class TestIme : public QObject {
    Q_OBJECT

private:
    // A bus daemon of our own, so no test depends on (or disturbs) a desktop session.
    QTemporaryDir busDir;
    QProcess daemon;
    QString address;
    const QString fcitxSide = QStringLiteral("fcitx-side");
    const QString appSide = QStringLiteral("app-side");

    bool startBus()
    {
        const QString exe = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (exe.isEmpty() || !busDir.isValid()) return false;
        address = u"unix:path=%1/bus"_qs.arg(busDir.path());
        daemon.start(exe, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                           QStringLiteral("--nopidfile"), u"--address=%1"_qs.arg(address)});
        if (!daemon.waitForStarted()) return false;
        for (int i = 0; i < 100 && !QFileInfo::exists(busDir.filePath(u"bus"_qs)); ++i)
            QTest::qWait(20);
        return QFileInfo::exists(busDir.filePath(u"bus"_qs));
    }

    QDBusConnection fcitxBus() { return QDBusConnection::connectToBus(address, fcitxSide); }
    QDBusConnection appBus() { return QDBusConnection::connectToBus(address, appSide); }

private Q_SLOTS:
    void cleanup() { setImeBackend(nullptr); }
    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(fcitxSide);
        QDBusConnection::disconnectFromBus(appSide);
        if (daemon.state() != QProcess::NotRunning) {
            daemon.terminate();
            daemon.waitForFinished();
        }
    }

    void conversionByMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("conversion");
        QTest::newRow("1 full-width hiragana") << 1 << 25;
        QTest::newRow("2 full-width katakana") << 2 << 27;
        QTest::newRow("3 full-width letters") << 3 << 24;
        QTest::newRow("4 half-width katakana") << 4 << 19;
        QTest::newRow("5 half-width letters") << 5 << 16;
        QTest::newRow("6 keeps") << 6 << 9;
        QTest::newRow("-1 keeps") << -1 << 9;
        QTest::newRow("0 keeps") << 0 << 9;
    }
    void conversionByMode()
    {
        QFETCH(int, mode);
        QFETCH(int, conversion);
        QCOMPARE(imeConversionFor(mode, 9), conversion);
    }

    void switchFollowsModeTable_data()
    {
        QTest::addColumn<bool>("wasOpen");
        QTest::addColumn<int>("conversion");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<bool>("open");
        const QStringList closeOnly{u"close"_qs};
        QTest::newRow("1 while closed")
            << false << 16 << 1 << QStringList{u"open"_qs, u"read"_qs, u"write 25/3"_qs} << true;
        QTest::newRow("1 while open in half-width letters")
            << true << 16 << 1 << QStringList{u"open"_qs, u"read"_qs, u"write 25/3"_qs} << true;
        QTest::newRow("1 again when already in 1")
            << true << 25 << 1 << QStringList{u"open"_qs, u"read"_qs, u"write 25/3"_qs} << true;
        QTest::newRow("2") << true << 25 << 2
                           << QStringList{u"open"_qs, u"read"_qs, u"write 27/3"_qs} << true;
        QTest::newRow("4") << false << 25 << 4
                           << QStringList{u"open"_qs, u"read"_qs, u"write 19/3"_qs} << true;
        QTest::newRow("0 closes, conversion untouched") << true << 25 << 0 << closeOnly << false;
        QTest::newRow("0 while closed") << false << 19 << 0 << closeOnly << false;
        QTest::newRow("6 opens in its own mode")
            << false << 19 << 6 << QStringList{u"open"_qs, u"read"_qs, u"write 19/3"_qs} << true;
    }
    void switchFollowsModeTable()
    {
        QFETCH(bool, wasOpen);
        QFETCH(int, conversion);
        QFETCH(int, mode);
        QFETCH(QStringList, log);
        QFETCH(bool, open);
        RecordingIme ime;
        ime.open = wasOpen;
        ime.current = {conversion, 3};
        SetIme(mode, ime);
        QCOMPARE(ime.log, log);
        QCOMPARE(ime.open, open);
    }

    void switchWithoutInputMethodDoesNothing_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("0") << 0;
        QTest::newRow("1") << 1;
        QTest::newRow("6") << 6;
    }
    void switchWithoutInputMethodDoesNothing()
    {
        QFETCH(int, mode);
        RecordingIme ime;
        ime.context = false;
        SetIme(mode, ime);
        QVERIFY(ime.log.isEmpty());
    }

    void engineModes_data()
    {
        QTest::addColumn<int>("conversion");
        QTest::addColumn<int>("written");
        QTest::addColumn<QString>("property");
        QTest::newRow("hiragana") << 25 << 25 << u"InputMode.Hiragana"_qs;
        QTest::newRow("full katakana") << 27 << 27 << u"InputMode.Katakana"_qs;
        QTest::newRow("full letters") << 24 << 24 << u"InputMode.WideLatin"_qs;
        QTest::newRow("half katakana") << 19 << 19 << u"InputMode.HalfWidthKatakana"_qs;
        QTest::newRow("half letters") << 16 << 16 << u"InputMode.Latin"_qs;
        QTest::newRow("native alone is hiragana") << 1 << 25 << u"InputMode.Hiragana"_qs;
        QTest::newRow("half-width native is hiragana") << 17 << 25 << u"InputMode.Hiragana"_qs;
        QTest::newRow("nothing is half letters") << 0 << 16 << u"InputMode.Latin"_qs;
    }
    void engineModes()
    {
        QFETCH(int, conversion);
        QFETCH(int, written);
        QFETCH(QString, property);
        QCOMPARE(conversionFor(kanaModeFor(conversion)), written);
        QCOMPARE(ibusModeProperty(kanaModeFor(conversion)), property);
    }

    void fcitxMenuIconsNameModes()
    {
        QCOMPARE(fcitxModeOfIcon(u"fcitx_mozc_alpha_half"_qs), KanaMode::HalfLatin);
        QCOMPARE(fcitxModeOfIcon(u"fcitx-mozc-katakana-full"_qs), KanaMode::FullKatakana);
        QVERIFY(!fcitxModeOfIcon(u"fcitx_mozc_direct"_qs));
        QVERIFY(!fcitxModeOfIcon(u"input-keyboard"_qs));
    }

    void ibusAddressFile_data()
    {
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("wayland");
        QTest::addColumn<QString>("file");
        QTest::newRow("local") << u":0"_qs << QString() << u"/c/ibus/bus/m-unix-0"_qs;
        QTest::newRow("screen") << u":12.1"_qs << QString() << u"/c/ibus/bus/m-unix-12"_qs;
        QTest::newRow("remote") << u"host:10.0"_qs << QString() << u"/c/ibus/bus/m-host-10"_qs;
        QTest::newRow("wayland") << u":0"_qs << u"wayland-1"_qs
                                 << u"/c/ibus/bus/m-unix-wayland-1"_qs;
    }
    void ibusAddressFile()
    {
        QFETCH(QString, display);
        QFETCH(QString, wayland);
        QFETCH(QString, file);
        QCOMPARE(IbusBackend::addressFilePath(u"/c"_qs, u"m"_qs, display, wayland), file);
    }

    void ibusAddressIsReadFromItsFile()
    {
        QTemporaryDir dir;
        QFile f(dir.filePath(u"m-unix-0"_qs));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("# This file is created by ibus-daemon\nIBUS_ADDRESS=unix:abstract=/x,guid=1\n"
                "IBUS_DAEMON_PID=7\n");
        f.close();
        QCOMPARE(IbusBackend::addressInFile(f.fileName()), u"unix:abstract=/x,guid=1"_qs);
        QVERIFY(IbusBackend::addressInFile(dir.filePath(u"missing"_qs)).isEmpty());
    }

    void ibusEnginesTakeTheModeProperty()
    {
        if (address.isEmpty() && !startBus()) QSKIP("dbus-daemon is not available");
        // One bus serves as the session and as IBus's own.
        QDBusConnection ibusConn = fcitxBus();
        FakeEngine engine;
        QVERIFY(ibusConn.registerObject(u"/org/freedesktop/IBus/Engine/3"_qs, &engine,
                                        QDBusConnection::ExportAllSlots));
        QVERIFY(ibusConn.registerService(u"com.example.Engine"_qs));
        // The daemon itself, which keeps no engines.
        QDBusConnection daemonConn = QDBusConnection::connectToBus(address, u"daemon-side"_qs);
        QVERIFY(daemonConn.registerService(u"org.freedesktop.IBus"_qs));

        IbusBackend ibus(appBus(), address);
        QTRY_VERIFY(ibus.hasContext());
        SetIme(1, ibus);
        QTRY_COMPARE(engine.activated, QStringList{u"InputMode.Hiragana 1"_qs});
        SetIme(0, ibus);
        QTRY_COMPARE(engine.activated.size(), 2);
        QCOMPARE(engine.activated.last(), u"InputMode.Direct 1"_qs);
        // Opening again in the mode it had: the engine is told that mode, once.
        SetIme(4, ibus);
        SetIme(6, ibus);
        QTRY_COMPARE(engine.activated.size(), 3);
        QCOMPARE(engine.activated.last(), u"InputMode.HalfWidthKatakana 1"_qs);
        QTest::qWait(100);
        QCOMPARE(engine.activated.size(), 3);

        QVERIFY(daemonConn.unregisterService(u"org.freedesktop.IBus"_qs));
        QTRY_VERIFY(!ibus.hasContext());
        QDBusConnection::disconnectFromBus(u"daemon-side"_qs);
        QVERIFY(ibusConn.unregisterService(u"com.example.Engine"_qs));
        ibusConn.unregisterObject(u"/org/freedesktop/IBus/Engine/3"_qs);
    }

    void programSwitchUsesInstalledBackend()
    {
        RecordingIme ime;
        setImeBackend(&ime);
        SetIme(3);
        QCOMPARE(ime.log, (QStringList{u"open"_qs, u"read"_qs, u"write 24/0"_qs}));
        setImeBackend(nullptr);
        SetIme(3); // back on fcitx5, which this test machine has no bus for
        QCOMPARE(ime.log.size(), 3);
    }

    void noSessionBusMeansNoContext()
    {
        const QByteArray savedAddress = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        QTemporaryDir emptyRuntime;
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("XDG_RUNTIME_DIR", emptyRuntime.path().toLocal8Bit());
        const QDBusConnection bus = Fcitx5Backend::sessionBusIfConfigured();
        qputenv("XDG_RUNTIME_DIR", savedRuntime);
        if (!savedAddress.isEmpty()) qputenv("DBUS_SESSION_BUS_ADDRESS", savedAddress);

        QVERIFY(!bus.isConnected());
        Fcitx5Backend fcitx(bus);
        QVERIFY(!fcitx.hasContext());
        SetIme(1, fcitx); // must neither block nor fail
        QVERIFY(!fcitx.hasContext());
    }

    void fcitxOpensAndCloses()
    {
        if (!startBus()) QSKIP("dbus-daemon is not available");
        QDBusConnection fcitxConn = fcitxBus();
        QVERIFY(fcitxConn.isConnected());
        FakeFcitxController controller;
        QVERIFY(fcitxConn.registerObject(u"/controller"_qs, &controller,
                                         QDBusConnection::ExportAllSlots));
        QVERIFY(fcitxConn.registerService(u"org.fcitx.Fcitx5"_qs));

        Fcitx5Backend fcitx(appBus());
        QTRY_VERIFY(fcitx.hasContext());
        SetIme(1, fcitx);
        QTRY_COMPARE(controller.activations, 1);
        SetIme(0, fcitx);
        QTRY_COMPARE(controller.deactivations, 1);
        SetIme(6, fcitx);
        QTRY_COMPARE(controller.activations, 2);
        QCOMPARE(controller.deactivations, 1);

        // The engine's mode cannot be set over the controller; the value is kept so
        // that a mode outside the table keeps the last one asked for.
        SetIme(5, fcitx);
        QCOMPARE(fcitx.status().conversion, 16);
        SetIme(9, fcitx);
        QCOMPARE(fcitx.status().conversion, 16);

        QVERIFY(fcitxConn.unregisterService(u"org.fcitx.Fcitx5"_qs));
        fcitxConn.unregisterObject(u"/controller"_qs);
    }

    void fcitxComingAndGoingIsFollowed()
    {
        if (address.isEmpty() && !startBus()) QSKIP("dbus-daemon is not available");
        QDBusConnection fcitxConn = fcitxBus();
        FakeFcitxController controller;
        QVERIFY(fcitxConn.registerObject(u"/controller"_qs, &controller,
                                         QDBusConnection::ExportAllSlots));

        Fcitx5Backend fcitx(appBus());
        QTRY_VERIFY(!fcitx.hasContext()); // the bus says fcitx5 does not run

        QVERIFY(fcitxConn.registerService(u"org.fcitx.Fcitx5"_qs));
        QTRY_VERIFY(fcitx.hasContext());
        SetIme(1, fcitx);
        QTRY_COMPARE(controller.activations, 1);

        QVERIFY(fcitxConn.unregisterService(u"org.fcitx.Fcitx5"_qs));
        QTRY_VERIFY(!fcitx.hasContext());
        fcitxConn.unregisterObject(u"/controller"_qs);
    }
};

QTEST_MAIN(TestIme)
#include "tst_ime.moc"
