// A diary whose lock another machine holds: read without writing a byte, or taken over.

#include "BackgroundSnapshot.h"
#include "Diary.h"
#include "DiaryFile.h"
#include "DiaryFiles.h"
#include "DiaryFixture.h"
#include "FakePlatform.h"
#include "ForeignLock.h"
#include "Globals.h"
#include "MainWindow.h"
#include "RunningCopy.h"
#include "TypeText.h"
#include "fmTxt.h"
#include "uTxA.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>

using namespace drv;
using namespace drv::test;

class TestHeldElsewhere : public QObject {
    Q_OBJECT

    std::unique_ptr<FakePlatform> fake;
    std::unique_ptr<RunningCopy> copy;
    QPointer<fmTxt> w;

    QString diaryPath() const { return sUsrFld + u"dbVesk.mdb"_qs; }
    // The program's start on a diary that a laptop has held for an hour.
    void startHeld()
    {
        put(u"261207"_qs, u"今日"_qs, u"本文"_qs);
        // The holder's settings, as it left them.
        QFile settings(sUsrFld + u"User.xml"_qs);
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("\r\n");
        settings.close();
        QVERIFY(writeLock(sUsrFld, 4242, u"laptop.example"_qs, 3600));
        copy = std::make_unique<RunningCopy>();
        setRunningCopy(copy.get());
        w = openMainWindow();
        QVERIFY(w);
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }
    void closeWindow()
    {
        w->close();
        delete w;
    }

private Q_SLOTS:
    void init() { fake = startDiary(); }
    void cleanup()
    {
        if (w) closeWindow();
        setRunningCopy(nullptr);
        copy.reset();
        endDiary(fake);
    }

    void readOnlyShowsTheDiaryAndWritesNothing()
    {
        fake->chooseAnswers = {0};
        QFile theirDraft(sUsrFld + u"draft.txt"_qs);
        QVERIFY(theirDraft.open(QIODevice::WriteOnly));
        theirDraft.write("the holder's draft, half written");
        theirDraft.close();
        startHeld();
        // What the program does once the window is up: neither is done here.
        w->offerDrafts();
        keep::BackgroundSnapshot::startLater(0);
        QTest::qWait(50);
        keep::BackgroundSnapshot::wait();
        const QByteArray before = digest(diaryPath());
        const QByteArray lock = lockBytes(sUsrFld);
        const QByteArray settings = digest(sUsrFld + u"User.xml"_qs);
        const QByteArray draft = digest(sUsrFld + u"draft.txt"_qs);

        QCOMPARE(w->vTTL->text(), u"今日"_qs);
        QVERIFY(w->windowTitle().endsWith(u"（読み取り専用）"_qs));
        for (QAction* off : {w->mnFile[fmTxt::SaveItem], w->mnFile[fmTxt::DeleteItem],
                             w->mnFile[fmTxt::ChangeDate], w->mnTool[fmTxt::RestoreItem],
                             w->mnTool[fmTxt::ImportItem], w->mnTool[fmTxt::EncryptItem],
                             w->mnTool[fmTxt::PasswordItem]})
            QVERIFY2(!off->isEnabled(), qPrintable(off->text()));
        QVERIFY(w->mnTool[fmTxt::ExportItem]->isEnabled());
        QVERIFY(w->mnFile[fmTxt::PrintItem]->isEnabled());

        typeText(w->vTTL, u"書き"_qs);
        typeText(w->uTxt->findChild<QPlainTextEdit*>(), u"足し"_qs);
        QCOMPARE(w->vTTL->text(), u"今日"_qs);
        QCOMPARE(w->uTxt->Text(), u"本文"_qs);
        QVERIFY(!w->Modified);

        // No window gets past the store: a write is refused, and says why.
        fake->messages.clear();
        QVERIFY(!diary::save(u"261208"_qs, u"t"_qs, u"b"_qs));
        QCOMPARE(fake->messages.size(), 1);
        QVERIFY2(fake->messages.first().contains(u"読み取り専用"_qs),
                 qPrintable(fake->messages.first()));
        bool stopped = false;
        QString reason;
        QVERIFY(!copyDiaryFile(FakePlatform::templatePath(), diaryPath(), CopyPace{}, {}, stopped,
                               reason));

        closeWindow();
        QCOMPARE(digest(diaryPath()), before);
        QCOMPARE(lockBytes(sUsrFld), lock);
        QCOMPARE(digest(sUsrFld + u"User.xml"_qs), settings);
        QCOMPARE(digest(sUsrFld + u"draft.txt"_qs), draft);
        QVERIFY(!QFile::exists(sUsrFld + u"backup"_qs));
    }

    void takenOverWritesAsAlways()
    {
        fake->chooseAnswers = {1};
        fake->confirmAnswers = {true};
        startHeld();
        QVERIFY(!w->windowTitle().contains(u"読み取り専用"_qs));
        QVERIFY(w->mnFile[fmTxt::SaveItem]->isEnabled());
        QVERIFY(diary::save(u"261208"_qs, u"t"_qs, u"b"_qs));
        keep::BackgroundSnapshot::startLater(0);
        QTest::qWait(50);
        keep::BackgroundSnapshot::wait();
        QVERIFY(QFile::exists(sUsrFld + u"backup"_qs));
        QVERIFY(lockBytes(sUsrFld).startsWith(
            QByteArray::number(QCoreApplication::applicationPid()) + '\n'));
        const QByteArray settings = digest(sUsrFld + u"User.xml"_qs);
        closeWindow();
        QVERIFY(digest(sUsrFld + u"User.xml"_qs) != settings);
    }
};

QTEST_MAIN(TestHeldElsewhere)
#include "tst_heldelsewhere.moc"
