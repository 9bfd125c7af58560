// The mirror folder: the day file's text and its normalisation, the names sync tools
// give conflict copies, the three-way decision played out on a real diary and folder,
// conflict copies, and the marker that keeps another diary's folder out.

#include "DateKey.h"
#include "DayText.h"
#include "Diary.h"
#include "DiaryEncryption.h"
#include "DiaryFixture.h"
#include "DiaryKeys.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "KeySlot.h"
#include "Mirror.h"
#include "MirrorNames.h"
#include "RecoveryKey.h"
#include "Store.h"
#include "SyncedFile.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <unistd.h>

using namespace drv;
using namespace drv::mirror;

Q_DECLARE_METATYPE(drv::mirror::NameKind)
Q_DECLARE_METATYPE(drv::keep::Resolution)

namespace {

const QDate kDay(2026, 12, 1);

QString fileText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(path.left(path.lastIndexOf(u'/')));
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The day's entry in the form of its file; empty when the day holds none.
QString diaryText(const QDate& day)
{
    QString title, body;
    if (!diary::read(DateKey::fromDate(day), title, body)) return QStringLiteral("(failed)");
    return dayFileText({DateKey::fromDate(day), title, body});
}

bool setDiary(const QDate& day, const QString& text)
{
    const QString key = DateKey::fromDate(day);
    if (text.isEmpty()) {
        int removed = 0;
        return diary::remove(key, removed);
    }
    const DiaryEntry e = entryOfText(normalized(text), key);
    return diary::save(key, e.szTtl, e.szDoc);
}

// Scripted answers, and what was asked.
struct Script {
    keep::Resolution choice = keep::Resolution::Keep;
    bool yes = false;
    int choices = 0, questions = 0;
    Questions questionsFor()
    {
        return {[this](const keep::ImportPlan& plan, QList<keep::Resolution>& c) {
                    choices += int(plan.conflicts.size() + plan.added.size());
                    c.fill(choice);
                    return true;
                },
                [this](const QString&) {
                    ++questions;
                    return yes;
                }};
    }
};

} // namespace

class TestMirror : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;
    QString folder;

    QString dayPath(const QDate& day) const { return folder + u'/' + dayFilePath(day); }
    SyncResult sync(Script& script)
    {
        Mirror m(sUsrFld);
        m.setStillMs(0);
        if (!m.state().on) m.choose(folder);
        return syncOnce(m, script.questionsFor(), fake->date);
    }
    int asideCount() const
    {
        int n = 0;
        const QString aside = sUsrFld + QLatin1String(kAsideName);
        for (const QString& sub : QDir(aside).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            n += int(QDir(aside + u'/' + sub).entryList(QDir::Files).size());
        return n;
    }

private Q_SLOTS:
    void init()
    {
        fake = test::startDiary();
        QVERIFY(DbOpen());
        folder = fake->makeDir(QStringLiteral("Sync/diary"));
    }
    void cleanup()
    {
        DbClose();
        fake.reset();
    }

    void normalisedTextAndEntry_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text"); // normalised
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("canonical"); // the entry written back gives the same text
        QTest::newRow("as written") << QByteArray("# 雪\n\n積もった\n") << "# 雪\n\n積もった\n"
                                    << "雪"
                                    << "積もった" << true;
        QTest::newRow("BOM, CR LF, no final line end")
            << QByteArray("\xEF\xBB\xBF# 雪\r\n\r\n積もった") << "# 雪\n\n積もった\n"
            << "雪"
            << "積もった" << true;
        QTest::newRow("lone CRs, many final line ends")
            << QByteArray("# 雪\r\r一行\r二行\n\n\n") << "# 雪\n\n一行\n二行\n"
            << "雪"
            << "一行\n二行" << true;
        // が written as か and a combining mark (NFD, as macOS names and some editors give).
        QTest::newRow("NFD to NFC") << QByteArray("# \xE3\x81\x8B\xE3\x82\x99\n") << "# が\n"
                                    << "が"
                                    << "" << true;
        QTest::newRow("no heading: all body")
            << QByteArray("積もった\n# 見出しではない\n") << "積もった\n# 見出しではない\n"
            << ""
            << "積もった\n# 見出しではない" << true;
        QTest::newRow("empty title, heading") << QByteArray("#\n\n# 本文\n") << "#\n\n# 本文\n"
                                              << ""
                                              << "# 本文" << true;
        QTest::newRow("no blank line after the heading")
            << QByteArray("# 雪\n本文") << "# 雪\n本文\n"
            << "雪"
            << "本文" << false;
        QTest::newRow("only line ends") << QByteArray("\r\n\n") << ""
                                        << ""
                                        << "" << true;
    }
    void normalisedTextAndEntry()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(QString, body);
        QFETCH(bool, canonical);
        QString got;
        QVERIFY(decodeDayFile(bytes, got));
        QCOMPARE(got, text);
        const DiaryEntry e = entryOfText(got, QStringLiteral("261201"));
        QCOMPARE(e.szTtl, title);
        QCOMPARE(e.szDoc, body);
        QCOMPARE(digestOf(dayFileText(e)) == digestOf(got), canonical);
    }

    void notUtf8IsRefused()
    {
        QString text;
        QVERIFY(!decodeDayFile(QByteArray("# \x93\xfa\x8b\x4c\n"), text)); // Shift-JIS 日記
    }

    void namesOfSyncTools_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<NameKind>("kind");
        const NameKind day = NameKind::Day, copy = NameKind::ConflictCopy, other = NameKind::Other;
        QTest::newRow("day") << "2026-12-01.md" << day;
        QTest::newRow("no such day") << "2026-02-30.md" << other;
        QTest::newRow("Syncthing") << "2026-12-01.sync-conflict-20261201-153012-7QXUQ2M.md" << copy;
        QTest::newRow("Nextcloud") << "2026-12-01 (conflicted copy 2026-12-01 153012).md" << copy;
        QTest::newRow("Nextcloud, user")
            << "2026-12-01 (conflicted copy hanako 2026-12-01 153012).md" << copy;
        QTest::newRow("ownCloud") << "2026-12-01_conflict-20261201-153012.md" << copy;
        QTest::newRow("Dropbox") << "2026-12-01 (Hanako Yamada's conflicted copy).md" << copy;
        QTest::newRow("Dropbox, dated")
            << "2026-12-01 (DESKTOP-1A2B's conflicted copy 2026-12-01).md" << copy;
        QTest::newRow("Dropbox, second")
            << "2026-12-01 (Hanako's conflicted copy 2026-12-01 (1)).md" << copy;
        QTest::newRow("Syncthing temp") << ".syncthing.2026-12-01.md.tmp" << other;
        QTest::newRow("Syncthing temp, Windows") << "~syncthing~2026-12-01.md.tmp" << other;
        QTest::newRow("LibreOffice lock") << ".~lock.2026-12-01.md#" << other;
        QTest::newRow("vim swap") << ".2026-12-01.md.swp" << other;
        QTest::newRow("backup") << "2026-12-01.md~" << other;
        QTest::newRow("Emacs lock") << ".#2026-12-01.md" << other;
        QTest::newRow("partial download") << "2026-12-01.md.part" << other;
        QTest::newRow("our own temp") << ".2026-12-01.md.drvesk-tmp" << other;
        QTest::newRow("Dropbox cache") << ".dropbox.cache" << other;
        QTest::newRow("another word") << "2026-12-01 (copy).md" << other;
        QTest::newRow("Syncthing, short device")
            << "2026-12-01.sync-conflict-20261201-153012-7QX.md" << other;
    }
    void namesOfSyncTools()
    {
        QFETCH(QString, name);
        QFETCH(NameKind, kind);
        const NameInfo info = classifyName(name);
        QCOMPARE(info.kind, kind);
        if (kind != NameKind::Other) QCOMPARE(info.day, kDay);
    }

    // Each case: what both sides agreed on ("-": never linked), what the diary and the
    // file hold then ("" for no row, no file), the answers, and what both hold after.
    void threeWay_data()
    {
        QTest::addColumn<QString>("agreed");
        QTest::addColumn<QString>("diary");
        QTest::addColumn<QString>("file");
        QTest::addColumn<keep::Resolution>("choice");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("diaryAfter");
        QTest::addColumn<QString>("fileAfter");
        QTest::addColumn<int>("asked"); // choices and questions
        QTest::addColumn<int>("aside"); // files moved out of the folder
        const QString a = "# 朝\n\n雪\n", b = "# 朝\n\n雪が積もった\n", c = "# 夜\n\n晴れ\n";
        const QString ab = "# 朝\n\n雪が積もった\n\n夜\n晴れ\n"; // b, then c appended
        const auto keepIt = keep::Resolution::Keep, replace = keep::Resolution::Replace,
                   append = keep::Resolution::Append;
        QTest::newRow("in step") << a << a << a << keepIt << false << a << a << 0 << 0;
        QTest::newRow("diary changed") << a << b << a << keepIt << false << b << b << 0 << 0;
        QTest::newRow("file changed") << a << a << b << keepIt << false << b << b << 0 << 0;
        QTest::newRow("both changed, keep") << a << b << c << keepIt << false << b << b << 1 << 1;
        QTest::newRow("both changed, replace")
            << a << b << c << replace << false << c << c << 1 << 0;
        QTest::newRow("both changed, append")
            << a << b << c << append << false << ab << ab << 1 << 1;
        QTest::newRow("both changed alike") << a << b << b << keepIt << false << b << b << 0 << 0;
        QTest::newRow("first link, differ")
            << "-" << b << c << replace << false << c << c << 1 << 0;
        QTest::newRow("first link, alike") << "-" << b << b << keepIt << false << b << b << 0 << 0;
        QTest::newRow("first link, no row") << "-"
                                            << "" << c << keepIt << false << c << c << 0 << 0;
        QTest::newRow("first link, no file")
            << "-" << b << "" << keepIt << false << b << b << 0 << 0;
        QTest::newRow("file deleted, delete row") << a << a << "" << keepIt << true << ""
                                                  << "" << 1 << 0;
        QTest::newRow("file deleted, keep row")
            << a << a << "" << keepIt << false << a << a << 1 << 0;
        QTest::newRow("row deleted, remove file") << a << "" << a << keepIt << true << ""
                                                  << "" << 1 << 1;
        QTest::newRow("row deleted, keep file")
            << a << "" << a << keepIt << false << a << a << 1 << 0;
        QTest::newRow("row deleted, file changed")
            << a << "" << b << keepIt << false << b << b << 0 << 0;
        QTest::newRow("file deleted, row changed")
            << a << b << "" << keepIt << false << b << b << 0 << 0;
        QTest::newRow("both deleted") << a << ""
                                      << "" << keepIt << false << ""
                                      << "" << 0 << 0;
    }
    void threeWay()
    {
        QFETCH(QString, agreed);
        QFETCH(QString, diary);
        QFETCH(QString, file);
        QFETCH(keep::Resolution, choice);
        QFETCH(bool, yes);
        QFETCH(QString, diaryAfter);
        QFETCH(QString, fileAfter);
        QFETCH(int, asked);
        QFETCH(int, aside);
        const QString path = dayPath(kDay);
        Script script;
        if (agreed != u"-") {
            QVERIFY(setDiary(kDay, agreed));
            QVERIFY(sync(script).ok);
            QCOMPARE(fileText(path), agreed);
        }
        QVERIFY(setDiary(kDay, diary));
        if (file.isEmpty())
            QFile::remove(path);
        else
            QVERIFY(writeFile(path, file.toUtf8()));
        script = {choice, yes};
        const SyncResult r = sync(script);
        QVERIFY2(r.ok, qPrintable(r.why));
        QCOMPARE(diaryText(kDay), diaryAfter);
        QCOMPARE(fileText(path), fileAfter);
        QCOMPARE(script.choices + script.questions, asked);
        QCOMPARE(asideCount(), aside);
        // Then both sides agree: the next pass asks nothing and changes nothing.
        script = {};
        const SyncResult next = sync(script);
        QVERIFY(next.ok);
        QCOMPARE(next.filesWritten + next.daysRead + script.choices + script.questions, 0);
        QCOMPARE(diaryText(kDay), diaryAfter);
    }

    // A sync tool's copy whose text the diary holds goes aside unasked; another is
    // offered, then goes aside too. Temporary files stay as they are.
    void conflictCopies()
    {
        const QDate other(2026, 12, 2);
        QVERIFY(setDiary(kDay, "# 朝\n\n雪\n"));
        QVERIFY(setDiary(other, "# 昼\n\n雨\n"));
        Script script;
        QVERIFY(sync(script).ok);
        const QString held = folder + "/2026/2026-12-01.sync-conflict-20261201-101010-ABCDEFG.md";
        const QString fresh = folder + "/2026/2026-12-02 (conflicted copy 2026-12-02 101010).md";
        const QString temp = folder + "/2026/.syncthing.2026-12-02.md.tmp";
        QVERIFY(writeFile(held, "\xEF\xBB\xBF# 朝\r\n\r\n雪\r\n"));
        QVERIFY(writeFile(fresh, "# 昼\n\n雷\n"));
        QVERIFY(writeFile(temp, "# 昼\n\n途中"));
        script = {keep::Resolution::Append, false};
        QVERIFY(sync(script).ok);
        QCOMPARE(script.choices, 1);
        QCOMPARE(diaryText(other), QStringLiteral("# 昼\n\n雨\n\n雷\n"));
        QCOMPARE(fileText(dayPath(other)), QStringLiteral("# 昼\n\n雨\n\n雷\n"));
        QVERIFY(!QFile::exists(held));
        QVERIFY(!QFile::exists(fresh));
        QVERIFY(QFile::exists(temp));
        QCOMPARE(asideCount(), 2);
    }

    // A file that is still being written is left for a later pass.
    void freshFileWaits()
    {
        QVERIFY(setDiary(kDay, "# 朝\n\n雪\n"));
        Script script;
        QVERIFY(sync(script).ok);
        QVERIFY(writeFile(dayPath(kDay), "# 朝\n\n雪が"));
        Mirror m(sUsrFld);
        const SyncResult r = syncOnce(m, script.questionsFor(), fake->date);
        QVERIFY(r.ok);
        QVERIFY(r.again);
        QCOMPARE(diaryText(kDay), QStringLiteral("# 朝\n\n雪\n"));
    }

    void folderOfAnotherDiaryIsRefused()
    {
        QVERIFY(setDiary(kDay, "# 朝\n\n雪\n"));
        Script script;
        QVERIFY(sync(script).ok);
        Marker ours;
        QVERIFY(readMarker(folder, ours));
        QVERIFY(writeMarker(folder, {QStringLiteral("another-diary"), QStringLiteral("b@laptop")}));
        Mirror m(sUsrFld);
        QString why;
        QCOMPARE(m.link({}, why), Mirror::LinkOutcome::Refused);
        QVERIFY(why.contains(QStringLiteral("b@laptop")));
        // A diary never linked may join another machine's folder, once the user says so.
        QVERIFY(removeSynced(sUsrFld + QLatin1String(kStateName)));
        Mirror fresh(sUsrFld);
        fresh.choose(folder);
        QCOMPARE(fresh.link([](const QString&) { return false; }, why),
                 Mirror::LinkOutcome::Declined);
        QCOMPARE(fresh.link([](const QString&) { return true; }, why), Mirror::LinkOutcome::Ready);
        QCOMPARE(fresh.state().diaryId, QStringLiteral("another-diary"));
    }

    // An edit that keeps the file's size, and whose times are those the agreement was
    // stamped with (a write in the same tick of a coarse clock): a stamp taken that soon
    // after the modification is read again by any pass; a settled one by a rescan only,
    // while the file was modified within the last hour.
    void editKeepingTheStamp_data()
    {
        QTest::addColumn<qint64>("statedAfterMs"); // the stamp taken this long after mtime
        QTest::addColumn<bool>("rescan");
        QTest::addColumn<bool>("caught");
        QTest::newRow("same tick, a pass") << qint64(500) << false << true;
        QTest::newRow("settled, a pass") << qint64(10000) << false << false;
        QTest::newRow("settled, a rescan") << qint64(10000) << true << true;
    }
    void editKeepingTheStamp()
    {
        QFETCH(qint64, statedAfterMs);
        QFETCH(bool, rescan);
        QFETCH(bool, caught);
        const QString agreed = "# 朝\n\n雪\n", edited = "# 朝\n\n雨\n"; // the same size
        QVERIFY(setDiary(kDay, agreed));
        Script script;
        QVERIFY(sync(script).ok);
        QVERIFY(writeFile(dayPath(kDay), edited.toUtf8()));
        // The agreement as if stamped with the edited file's size and times.
        MirrorState st;
        QVERIFY(st.load(sUsrFld + QLatin1String(kStateName)));
        DayAgreement& a = st.days[kDay];
        QCOMPARE(a.stamp.size, stampOf(dayPath(kDay)).size);
        a.stamp = stampOf(dayPath(kDay));
        a.statedNs = a.stamp.mtimeNs + statedAfterMs * 1000000;
        QVERIFY(st.save(sUsrFld + QLatin1String(kStateName)));
        Mirror m(sUsrFld);
        m.setStillMs(0);
        Pass pass;
        QVERIFY(m.scan(pass, fake->date, *m.prepareScan(), rescan));
        QCOMPARE(pass.fromFiles.size(), caught ? 1 : 0);
        QVERIFY(pass.toFiles.isEmpty());
    }

    // Where the mirror keeps no files: another machine holds the diary (that machine keeps
    // them), or the entries would lie in the folder, and on every machine it syncs to, as
    // plain text. A diary file this machine merely cannot write keeps its mirror.
    void whereNoMirrorIsKept_data()
    {
        QTest::addColumn<QString>("diary");
        QTest::addColumn<QString>("why"); // empty: the mirror is kept
        QTest::newRow("encrypted") << "encrypted"
                                   << "暗号化";
        QTest::newRow("held by another machine") << "held elsewhere"
                                                 << "ほかのパソコン";
        QTest::newRow("file not writable") << "not writable"
                                           << "";
    }
    void whereNoMirrorIsKept()
    {
        QFETCH(QString, diary);
        QFETCH(QString, why);
        QVERIFY(setDiary(kDay, "# 朝\n\n雪\n"));
        DbClose();
        const QString file = sUsrFld + QStringLiteral("dbVesk.mdb");
        if (diary == u"encrypted") {
            vault::setPasswordCost({1, 8u << 20});
            QString reason;
            auto keys = encryption::switchOn(file, QStringLiteral("合言葉"),
                                             vault::newRecoveryKey(), {}, reason);
            QVERIFY2(keys, qPrintable(reason));
            QVERIFY(DbOpenUnlocked(std::move(keys)));
        } else if (diary == u"held elsewhere") {
            QVERIFY(DbOpen(true));
        } else {
            if (::geteuid() == 0) QSKIP("root writes any file");
            QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner));
            QVERIFY(DbOpen());
            QVERIFY(DbIsReadOnly() && !DbIsHeldElsewhere());
        }
        Script script;
        const SyncResult r = sync(script);
        QCOMPARE(r.ok, why.isEmpty());
        QVERIFY2(r.why.contains(why), qPrintable(r.why));
        if (why.isEmpty())
            QCOMPARE(fileText(dayPath(kDay)), QStringLiteral("# 朝\n\n雪\n"));
        else
            QVERIFY(QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }
};

QTEST_GUILESS_MAIN(TestMirror)
#include "tst_mirror.moc"
