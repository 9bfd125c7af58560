// The mirror folder beside the main window: a save writes the day's file at once, and a
// file edited outside shows in the window once it is activated again.

#include "DateKey.h"
#include "DayText.h"
#include "Diary.h"
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
    QString todaysText() const
    {
        QString title, body;
        diary::read(DateKey::fromDate(fake->date), title, body);
        return mirror::dayFileText({DateKey::fromDate(fake->date), title, body});
    }
    // Turns the mirror on again with the window saving today's entry as "夜 / 晴れ" once
    // the pass's scan has read the diary and the files, then lets the pass end.
    void passWithASaveMeanwhile()
    {
        mirror::MirrorKeeper* keeper = w->mirrorKeeper();
        bool saved = false;
        const QMetaObject::Connection c = connect(keeper, &mirror::MirrorKeeper::scanned, w, [&] {
            w->vTTL->setText(QStringLiteral("夜"));
            w->uTxt->setText(QStringLiteral("晴れ"));
            saved = w->SaveEntry(false);
        });
        keeper->turnOn(folder);
        QVERIFY(keeper->busy()); // the scan runs on its own thread
        keeper->waitForFiles();
        disconnect(c);
        QVERIFY(saved);
    }

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
        w->mirrorKeeper()->waitForFiles();
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

    // The pass had planned to write the day's file with what it read: it writes that,
    // and the save follows in the next pass.
    void saveWhileAPassRunsReachesItsFile()
    {
        w->mirrorKeeper()->turnOff();
        QVERIFY(
            diary::save(DateKey::fromDate(fake->date), QStringLiteral("朝"), QStringLiteral("雪")));
        passWithASaveMeanwhile();
        QCOMPARE(todaysText(), QStringLiteral("# 夜\n\n晴れ\n"));
        QTRY_COMPARE(fileText(todaysFile()), QStringLiteral("# 夜\n\n晴れ\n"));
        QTRY_VERIFY(!w->mirrorKeeper()->busy());
        QCOMPARE(todaysText(), QStringLiteral("# 夜\n\n晴れ\n"));
    }

    // The pass had planned to read the day's file into the diary, where the day held no
    // entry: the save made since is kept and the file left as it is, for the next pass to
    // offer the choice (both sides changed).
    void saveWhileAPassRunsIsNotOverwritten()
    {
        w->mirrorKeeper()->turnOff();
        QDir().mkpath(todaysFile().section(u'/', 0, -2));
        QFile f(todaysFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("# \xE6\x9C\x9D\n\n\xE9\x9B\xAA\n"); // 朝 / 雪
        f.close();
        passWithASaveMeanwhile();
        w->mirrorKeeper()->turnOff(); // before the next pass asks
        QCOMPARE(todaysText(), QStringLiteral("# 夜\n\n晴れ\n"));
        QCOMPARE(fileText(todaysFile()), QStringLiteral("# 朝\n\n雪\n"));
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

    // Files of more days than a moment's work (another machine's diary) are read in under
    // the window's progress box, every one of them.
    void manyFilesAreReadIn()
    {
        const QDate first(2025, 1, 1);
        for (int i = 0; i < 300; ++i) {
            const QDate day = first.addDays(i);
            const QString path = folder + u'/' + mirror::dayFilePath(day);
            QDir().mkpath(path.section(u'/', 0, -2));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QStringLiteral("# 日 %1\n\n本文 %1\n").arg(i).toUtf8());
        }
        QVERIFY(w->mirrorKeeper()->passNow());
        QTRY_VERIFY(!w->mirrorKeeper()->busy());
        for (int i : {0, 150, 299}) {
            QString title, body;
            QVERIFY(diary::read(DateKey::fromDate(first.addDays(i)), title, body));
            QCOMPARE(title, QStringLiteral("日 %1").arg(i));
            QCOMPARE(body, QStringLiteral("本文 %1").arg(i));
        }
        QVERIFY(fake->messages.isEmpty());
    }
};

QTEST_MAIN(TestMirrorWin)
#include "tst_mirrorwin.moc"
