// The mirror folder beside the main window: a save writes the day's file at once, and a
// file edited outside shows in the window once it is activated again.

#include "DayText.h"
#include "DiaryFixture.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "MainWindow.h"
#include "MirrorKeeper.h"
#include "MirrorNames.h"
#include "fmTxt.h"
#include "uTxA.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

using namespace drv;

namespace {

QString fileText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class TestMirrorWin : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;
    fmTxt* w = nullptr;
    QString folder;

    QString todaysFile() const { return folder + u'/' + mirror::dayFilePath(fake->date); }

private Q_SLOTS:
    void init()
    {
        fake = test::startDiary();
        folder = fake->makeDir(QStringLiteral("Sync/diary"));
        w = test::openMainWindow(QSize(900, 600));
        QVERIFY(w);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        w->mirrorKeeper()->setStillMs(0);
        w->mirrorKeeper()->turnOn(folder);
        QVERIFY(w->mirrorKeeper()->isOn());
        QVERIFY(QFile::exists(folder + u'/' + QLatin1String(mirror::kMarkerName)));
    }
    void cleanup()
    {
        if (w) w->close();
        delete w;
        w = nullptr;
        test::endDiary(fake);
    }

    void saveWritesItsFileAtOnce()
    {
        w->vTTL->setFocus();
        QTest::keyClicks(w->vTTL, QStringLiteral("snow"));
        w->uTxt->setFocus();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("deep"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
        QVERIFY(!w->Modified);
        // Written by the save itself, not by a pass some time later.
        QCOMPARE(fileText(todaysFile()), QStringLiteral("# snow\n\ndeep\n"));
    }

    void outsideEditShowsOnActivation()
    {
        w->vTTL->setText(QStringLiteral("雪"));
        w->uTxt->setText(QStringLiteral("少し"));
        QVERIFY(w->SaveEntry(false));
        QCOMPARE(fileText(todaysFile()), QStringLiteral("# 雪\n\n少し\n"));
        QFile f(todaysFile());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("# \xE9\x9B\xAA\r\n\r\n\xE5\xA4\xA7\xE9\x9B\xAA\r\n"); // 雪 / 大雪, CR LF
        f.close();
        // Another window takes the focus, then this one comes back.
        QWidget other;
        other.resize(200, 100);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QTRY_COMPARE(w->uTxt->Text(), QStringLiteral("大雪"));
        QVERIFY(!w->Modified);
    }
};

QTEST_MAIN(TestMirrorWin)
#include "tst_mirrorwin.moc"
