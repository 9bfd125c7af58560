// Faults of the disk and of the diary file: each gives one clear message, the program goes
// on where it can, what is typed stays on screen and nothing already stored changes.

#include "Diary.h"
#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "MainWindow.h"
#include "MonthCalendar.h"
#include "Program.h"
#include "SearchIndex.h"
#include "Statements.h"
#include "Store.h"
#include "Unprivileged.h"
#include "fmTxt.h"
#include "sbEdt.h"
#include "uTxA.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMap>
#include <QProcess>
#include <QTableWidget>
#include <QTest>

#include <memory>

using namespace drv;
using drv::test::digest;
using drv::test::stored;
using Entry = drv::test::StoredEntry;

namespace {

const QString kHelper = QStringLiteral(DRV_CRASH_HELPER);

// What the messages begin with, by the kind of fault.
const QString kInUse = QStringLiteral("ほかのプログラムが日記ファイルを使っています");
const QString kNotWritable = QStringLiteral("日記ファイルに書き込めません");
const QString kDiskFull = QStringLiteral("ディスクの空きが足りません");
const QString kReadWrite = QStringLiteral("日記ファイルの読み書きに失敗しました");
const QString kDamaged = QStringLiteral("日記ファイルが壊れている");
const QString kNotADiary = QStringLiteral("日記のデータベースではありません");
const QString kFolder = QStringLiteral("フォルダに書き込めません");

QString dbPath()
{
    return sUsrFld + QStringLiteral("dbVesk.mdb");
}

bool save(const QString& key, const QString& title, const QString& body)
{
    Statement st{sql::kInsert + sql::kValues, {}};
    SqlSet(st, {title, body, key});
    int n = 0;
    return DbExec(st, n);
}

// A diary as the program leaves it, with two entries.
void makeDiary()
{
    QVERIFY(DbOpen());
    QVERIFY(save(QStringLiteral("261207"), QStringLiteral("古い表題"), QStringLiteral("古い本文")));
    QVERIFY(save(QStringLiteral("261201"), QStringLiteral("月初め"), QStringLiteral("晴れ")));
    DbClose();
}

// Another copy of the program holding the diary locked for a while.
bool lockFor(QProcess& locker, int ms)
{
    locker.start(kHelper, {QStringLiteral("lock"), dbPath(), QString::number(ms)});
    return locker.waitForReadyRead(20000) && locker.readLine() == "locked\n";
}

void setMode(const QString& path, QFileDevice::Permissions p)
{
    QVERIFY(QFile::setPermissions(path, p));
}

constexpr auto kOwnerRW = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr auto kOwnerRWX = kOwnerRW | QFileDevice::ExeOwner;
constexpr auto kOwnerRX = QFileDevice::ReadOwner | QFileDevice::ExeOwner;

enum class Fault { DiskFull, Locked, FileReadOnly, FolderReadOnly, DamagedWhileOpen };

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestFaults : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;
    QPointer<fmTxt> w;

private Q_SLOTS:
    void init() { fake = test::startDiary(); }
    void cleanup()
    {
        if (w) {
            fake->confirmAnswers = {true, true};
            w->close();
            delete w;
        }
        DbClose();
        if (QFileInfo::exists(sUsrFld)) QFile::setPermissions(sUsrFld, kOwnerRWX);
        test::endDiary(fake);
    }

    // --- the diary cannot be opened: one message, exit status 1, file untouched --------
    void startFailsWithOneMessage_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("text file")
            << QByteArray("My diary, in plain text.\n").repeated(300) << kDamaged;
        QTest::newRow("zero bytes") << QByteArray() << kNotADiary;
        QTest::newRow("locked by another copy") << QByteArray("lock") << kInUse;
        QTest::newRow("folder read-only, no diary yet") << QByteArray("folder") << kFolder;
    }
    void startFailsWithOneMessage()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        QProcess locker;
        if (content == "lock") {
            makeDiary();
            // Held well past the 5-second wait even when the machine is slow to start us.
            QVERIFY(lockFor(locker, 15000));
        } else if (content == "folder") {
            DRV_NEEDS_PERMISSIONS();
            setMode(sUsrFld, kOwnerRX);
        } else {
            QFile f(dbPath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const bool existed = QFileInfo::exists(dbPath());
        const QByteArray before = digest(dbPath());

        QCOMPARE(Main(), 1);
        QCOMPARE(fake->messages.size(), 1);
        const QString& m = fake->messages.first();
        QVERIFY2(m.contains(dbPath()) && m.contains(reason), qPrintable(m));
        QVERIFY(!DbIsOpen());
        QCOMPARE(QFileInfo::exists(dbPath()), existed);
        QCOMPARE(digest(dbPath()), before);
        locker.waitForFinished(20000);
    }

    // --- a save fails: one message, text and store kept, saving works once it can -----
    void failedSaveKeepsTextAndStore_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("reason");
        QTest::newRow("disk full") << Fault::DiskFull << kDiskFull;
        QTest::newRow("locked by another copy") << Fault::Locked << kInUse;
        QTest::newRow("file read-only") << Fault::FileReadOnly << kNotWritable;
        QTest::newRow("folder read-only") << Fault::FolderReadOnly << kNotWritable;
        QTest::newRow("file damaged while open") << Fault::DamagedWhileOpen << kDamaged;
    }
    void failedSaveKeepsTextAndStore()
    {
        QFETCH(Fault, fault);
        QFETCH(QString, reason);
        if (fault == Fault::FileReadOnly || fault == Fault::FolderReadOnly) DRV_NEEDS_PERMISSIONS();
        makeDiary();
        const QMap<QString, Entry> before = stored();
        QCOMPARE(before.size(), 2);
        if (fault == Fault::FileReadOnly) setMode(dbPath(), QFileDevice::ReadOwner);

        w = test::openMainWindow();
        QVERIFY(w);
        QCOMPARE(w->vTTL->text(), QStringLiteral("古い表題"));
        QVERIFY(fake->messages.isEmpty());

        // Enough text that it needs pages the diary does not have yet.
        const QString title = QStringLiteral("新しい表題 it's \"new\"?");
        const QString body = QStringLiteral("一日の出来事。").repeated(20000);
        w->vTTL->setText(title);
        w->uTxt->setText(body);
        QVERIFY(w->Modified);

        QProcess locker;
        QByteArray header;
        switch (fault) {
        case Fault::DiskFull: {
            int pages = 0;
            QVERIFY(DbGetRec(Statement{QStringLiteral("Pragma page_count"), {}}, pages));
            int n = 0;
            QVERIFY(
                DbExec(Statement{QStringLiteral("Pragma max_page_count = %1").arg(pages), {}}, n));
            break;
        }
        case Fault::Locked:
            QVERIFY(lockFor(locker, 12000));
            break;
        case Fault::FolderReadOnly:
            setMode(sUsrFld, kOwnerRX);
            break;
        case Fault::DamagedWhileOpen: {
            QFile f(dbPath());
            QVERIFY(f.open(QIODevice::ReadWrite));
            header = f.read(100);
            f.seek(0);
            f.write(QByteArray(100, 'x'));
            break;
        }
        case Fault::FileReadOnly:
            break;
        }

        w->mnFile.at(0)->trigger(); // 更新
        QCOMPARE(fake->messages.size(), 1);
        const QString m = fake->messages.first();
        QVERIFY2(m.contains(reason) && m.contains(dbPath()), qPrintable(m));
        QVERIFY(w->Modified);
        QCOMPARE(w->vTTL->text(), title);
        QVERIFY(w->uTxt->Text() == body);

        // Another day is not shown while the text cannot be kept; closing asks first.
        if (fault != Fault::Locked) {
            const QDate shown = w->vCLn->selectedDate();
            QTest::mouseClick(w->vCLn, Qt::LeftButton, {},
                              w->vCLn->dateRect(shown.addDays(-1)).center());
            QCOMPARE(w->CurrentKey, QStringLiteral("261207"));
            QCOMPARE(w->vCLn->selectedDate(), shown);
            // A day of another month: the month list stays with the day shown.
            const QDate other = shown.addMonths(-1);
            w->vCLn->setSelectedDate(other);
            Q_EMIT w->vCLn->dateClicked(other);
            QCOMPARE(w->CurrentKey, QStringLiteral("261207"));
            QCOMPARE(w->vCLn->selectedDate(), shown);
            QCOMPARE(w->ListMonth, QStringLiteral("2612"));
            // (A damaged file cannot list the month, which is told.)
            const int told = fault == Fault::DamagedWhileOpen ? 3 : 0;
            if (!told) {
                QCOMPARE(w->vSpr->rowCount(), 2);
                QCOMPARE(w->vSpr->currentRow(), 1);
            }
            fake->confirmAnswers = {false};
            QVERIFY(!w->close());
            QVERIFY(w->isVisible());
            QCOMPARE(fake->messages.size(), 5 + told);
            QCOMPARE(w->vTTL->text(), title);
            QVERIFY(w->uTxt->Text() == body);
        }

        // The fault ends.
        switch (fault) {
        case Fault::DiskFull: {
            int n = 0;
            QVERIFY(DbExec(Statement{QStringLiteral("Pragma max_page_count = 1000000"), {}}, n));
            break;
        }
        case Fault::Locked:
            QVERIFY(locker.waitForFinished(20000));
            break;
        case Fault::FolderReadOnly:
            setMode(sUsrFld, kOwnerRWX);
            break;
        case Fault::DamagedWhileOpen: {
            QFile f(dbPath());
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.write(header);
            break;
        }
        case Fault::FileReadOnly:
            break;
        }
        QCOMPARE(stored(), before);

        fake->messages.clear();
        if (fault == Fault::FileReadOnly) {
            // This run cannot write; leaving without saving is the user's choice.
            fake->confirmAnswers = {true};
            QVERIFY(w->close());
            QCOMPARE(fake->messages.size(), 2);
            QCOMPARE(stored(), before);
            return;
        }
        w->mnFile.at(0)->trigger();
        QVERIFY2(fake->messages.isEmpty(), qPrintable(fake->messages.join(u'\n')));
        QVERIFY(!w->Modified);
        QMap<QString, Entry> after = before;
        after[QStringLiteral("261207")] = {title, body};
        QCOMPARE(stored(), after);
    }

    // A diary that can only be read and has no search index yet: it opens, shows, lists and
    // searches without a word and without a byte written to it; a save then says once that
    // it cannot be written, and keeps the text.
    void readOnlyDiaryStartsAndSearchesQuietly_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("file read-only") << false;
        QTest::newRow("folder read-only") << true;
    }
    void readOnlyDiaryStartsAndSearchesQuietly()
    {
        QFETCH(bool, folder);
        DRV_NEEDS_PERMISSIONS();
        test::put(QStringLiteral("261207"), QStringLiteral("古い表題"), QStringLiteral("古い本文"));
        test::put(QStringLiteral("261201"), QStringLiteral("月初め"), QStringLiteral("晴れ"));
        if (folder)
            setMode(sUsrFld, kOwnerRX);
        else
            setMode(dbPath(), QFileDevice::ReadOwner);
        const QByteArray before = digest(dbPath());

        w = test::openMainWindow();
        QVERIFY(w);
        QCOMPARE(w->vTTL->text(), QStringLiteral("古い表題"));
        QCOMPARE(w->vSpr->rowCount(), 2);
        QVERIFY(waitForSearchIndex(20000));
        QList<DiaryEntry> rows;
        QVERIFY(diary::search(QStringLiteral("晴れ"), rows));
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().skYmn, QStringLiteral("261201"));
        QVERIFY2(fake->messages.isEmpty(), qPrintable(fake->messages.join(u'\n')));

        w->vTTL->setText(QStringLiteral("新しい表題"));
        w->mnFile.at(0)->trigger(); // 更新
        QCOMPARE(fake->messages.size(), 1);
        QVERIFY2(fake->messages.first().contains(kNotWritable), qPrintable(fake->messages.first()));
        QVERIFY(w->Modified);
        QCOMPARE(w->vTTL->text(), QStringLiteral("新しい表題"));
        QCOMPARE(digest(dbPath()), before);
    }

    // A day that cannot be read is not shown as an empty day, which a save would then
    // write over its entry.
    // The exit command on a full disk: the user drops the main window's text, but the
    // correction window keeps its own and refuses to close. The main window stays, and
    // its text stays marked as changed, so the next change of day still tries to save it.
    void refusedCloseKeepsTheTextMarkedChanged()
    {
        makeDiary();
        w = test::openMainWindow();
        QVERIFY(w);
        sbEdt::instance().ActDc(QStringLiteral("261201"));
        const QString big = QStringLiteral("一日の出来事。").repeated(20000);
        w->uTxt->setText(big);
        sbEdt::loaded()->uTxt->setText(big + QStringLiteral("修正"));
        sbEdt::loaded()->bChg = true;
        int pages = 0, n = 0;
        QVERIFY(DbGetRec(Statement{QStringLiteral("Pragma page_count"), {}}, pages));
        QVERIFY(DbExec(Statement{QStringLiteral("Pragma max_page_count = %1").arg(pages), {}}, n));
        fake->confirmAnswers = {true, false}; // drop the diary's text; keep the correction
        w->CloseDiary();
        QVERIFY(w && w->isVisible());
        QVERIFY(sbEdt::loaded());
        QVERIFY(w->Modified);
        QCOMPARE(w->uTxt->Text(), big);
        fake->messages.clear();
        w->vCLn->setSelectedDate(QDate(2026, 12, 1));
        w->ShowEntry();
        QCOMPARE(w->CurrentKey, QStringLiteral("261207")); // the day could not be left
        QCOMPARE(fake->messages.size(), 1);
        QVERIFY(fake->messages[0].startsWith(kDiskFull));
        // Let the test end: the correction goes unsaved.
        sbEdt::loaded()->bChg = false;
        sbEdt::loaded()->close();
    }

    void unreadableDayIsNotShownEmpty()
    {
        makeDiary();
        w = test::openMainWindow();
        QVERIFY(w);
        QProcess locker;
        QVERIFY(lockFor(locker, 12000));
        const QDate first(2026, 12, 1);
        QTest::mouseClick(w->vCLn, Qt::LeftButton, {}, w->vCLn->dateRect(first).center());
        QCOMPARE(fake->messages.size(), 1);
        QVERIFY2(fake->messages.first().contains(kInUse), qPrintable(fake->messages.first()));
        QCOMPARE(w->CurrentKey, QStringLiteral("261207"));
        QCOMPARE(w->vCLn->selectedDate(), QDate(2026, 12, 7));
        QCOMPARE(w->vTTL->text(), QStringLiteral("古い表題"));
        QCOMPARE(w->uTxt->Text(), QStringLiteral("古い本文"));
        QVERIFY(!w->Modified);

        QVERIFY(locker.waitForFinished(20000));
        QTest::mouseClick(w->vCLn, Qt::LeftButton, {}, w->vCLn->dateRect(first).center());
        QCOMPARE(w->CurrentKey, QStringLiteral("261201"));
        QCOMPARE(w->vTTL->text(), QStringLiteral("月初め"));
        QCOMPARE(fake->messages.size(), 1);
    }

    // --- the disk really fills: the file may not grow past its size -------------------
    void diskFullInAChildProcessLeavesTheDiaryAsItWas()
    {
        makeDiary();
        const QMap<QString, Entry> before = stored();
        QProcess p;
        p.start(kHelper,
                {QStringLiteral("fsize"), sUsrFld, sApFld, QStringLiteral("261202"), "300000"});
        QVERIFY(p.waitForFinished(60000));
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        QCOMPARE(p.exitCode(), 3);
        const QStringList messages = out.split(u'\n').filter(QStringLiteral("message "));
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().contains(kReadWrite) || messages.first().contains(kDiskFull),
                 qPrintable(out));
        QCOMPARE(stored(), before);
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
