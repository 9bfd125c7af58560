// The encrypted diary: switching on and off, the password at opening, rows that fail for
// their own day, and what is left on disk.

#include "DateKey.h"
#include "Diary.h"
#include "DiaryEncryption.h"
#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "DiaryKeys.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "IndexFile.h"
#include "KeySlot.h"
#include "Platform.h"
#include "RecoveryKey.h"
#include "SearchIndex.h"
#include "Store.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

using namespace drv;

namespace {

const QString kSentence = QStringLiteral("坂道を登りきると、夕焼けの海が見えた。");
const QString kPassword = QStringLiteral("ひみつの合言葉");

QString diaryFile()
{
    return sUsrFld + QStringLiteral("dbVesk.mdb");
}

QStringList search(const QString& word)
{
    QList<DiaryEntry> rows;
    if (!diary::search(word, rows)) return {QStringLiteral("failed")};
    QStringList out;
    for (const DiaryEntry& e : rows)
        out << e.skYmn + u'|' + e.szTtl + u'|' + e.szDoc;
    return out;
}

} // namespace

class TestEncryption : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;
    QString recovery;

    // A diary of a few entries, encrypted and open.
    void encryptedDiary()
    {
        test::put(QStringLiteral("261205"), QStringLiteral("坂"), kSentence);
        test::put(QStringLiteral("261206"), QStringLiteral("雪"), QStringLiteral("雪が降った"));
        test::put(QStringLiteral("261207"), QStringLiteral("雨"), QStringLiteral("雨の日"));
        recovery = vault::newRecoveryKey();
        QString reason;
        auto keys = encryption::switchOn(diaryFile(), kPassword, recovery, {}, reason);
        QVERIFY2(keys, qPrintable(reason));
        QVERIFY(DbOpenUnlocked(std::move(keys)));
        QVERIFY(DbIsEncrypted());
    }

private Q_SLOTS:
    void initTestCase() { vault::setPasswordCost({1, 8u << 20}); }
    void init() { fake = test::startDiary(); }
    void cleanup() { test::endDiary(fake); }

    // Switching on leaves no plain text of the diary in the data folder, backup/ or the
    // cache folder; the search answers as before; switching off gives every entry back.
    void switchingOnAndOffKeepsEveryEntryAndHidesTheText()
    {
        for (int d = 1; d <= 28; ++d)
            test::put(QStringLiteral("2611%1").arg(d, 2, 10, QChar(u'0')),
                      QStringLiteral("題%1").arg(d),
                      d % 3 ? QStringLiteral("今日は雪。%1日目").arg(d) : kSentence);
        QVERIFY(DbOpen());
        QVERIFY(waitForSearchIndex(20000));
        const QStringList words{QStringLiteral("雪"), QStringLiteral("夕焼け"),
                                QStringLiteral("日目"), QStringLiteral("海*見")};
        QList<QStringList> plain;
        for (const QString& w : words)
            plain << search(w);
        QVERIFY(!plain.first().isEmpty());
        QVERIFY(QFileInfo::exists(searchIndexPath()));
        const QString index = searchIndexPath();
        const auto before = test::stored();
        DbClose();
        // A snapshot and a kept draft, in plain text as an earlier start left them.
        QDir().mkpath(sUsrFld + QStringLiteral("backup"));
        QVERIFY(QFile::copy(diaryFile(), sUsrFld + QStringLiteral("backup/dbVesk-20261201.mdb")));
        {
            QFile draft(sUsrFld + QStringLiteral("backup/draft-20261201-101010.txt"));
            QVERIFY(draft.open(QIODevice::WriteOnly));
            draft.write(kSentence.toUtf8());
        }

        recovery = vault::newRecoveryKey();
        QString reason;
        qint64 seen = 0;
        auto keys = encryption::switchOn(
            diaryFile(), kPassword, recovery,
            [&](qint64 done, qint64 total) {
                seen = done;
                return done <= total;
            },
            reason);
        QVERIFY2(keys, qPrintable(reason));
        QCOMPARE(seen, 56);
        const QByteArray secret = kSentence.toUtf8();
        QCOMPARE(test::filesHolding(sUsrFld, secret), QStringList());
        QCOMPARE(test::filesHolding(QStandardPaths::writableLocation(QStandardPaths::CacheLocation),
                                    secret),
                 QStringList());
        QVERIFY(!QFileInfo::exists(index));

        QVERIFY(DbOpenUnlocked(std::move(keys)));
        // Answered by the index, which is kept in memory.
        QVERIFY(waitForSearchIndex(20000));
        for (int i = 0; i < words.size(); ++i)
            QCOMPARE(search(words[i]), plain[i]);
        QString title, body;
        QVERIFY(diary::read(QStringLiteral("261103"), title, body));
        QCOMPARE(body, kSentence);
        // Saves go sealed: another tool sees no text.
        QVERIFY(diary::save(QStringLiteral("261130"), QStringLiteral("新"), kSentence));
        QCOMPARE(test::filesHolding(sUsrFld, secret), QStringList());

        const vault::KeySet* open = diaryKeys();
        auto again = vault::KeySet::fromDataKey(open->dataKey());
        DbClose();
        // The index went to disk sealed, and nowhere in plain.
        QVERIFY(QFileInfo::exists(index::sealedPathFor(index)));
        QVERIFY(!QFileInfo::exists(index));
        QCOMPARE(test::filesHolding(QStandardPaths::writableLocation(QStandardPaths::CacheLocation),
                                    secret),
                 QStringList());
        QVERIFY2(encryption::switchOff(diaryFile(), *again, {}, reason), qPrintable(reason));
        auto after = test::stored();
        QCOMPARE(after.take(QStringLiteral("261130")).body, kSentence);
        QCOMPARE(after, before);
        QVERIFY(!test::filesHolding(sUsrFld + QStringLiteral("backup"), secret).isEmpty());
        QVERIFY(DbOpen());
        QVERIFY(!DbIsEncrypted());
    }

    // A key slot that cannot be made fails the switch as a whole: the diary and its
    // snapshot stay byte for byte as they were, plain, with no slot and no file beside
    // them, and the failure is told.
    void switchingOnFailsWholeWhenASlotCannotBeMade_data()
    {
        QTest::addColumn<quint64>("memory"); // the password's derivation asks for
        QTest::addColumn<QString>("recoveryKey");
        // Beyond what a slot may ask: the derivation refuses, as Argon2id does when its
        // memory is refused.
        QTest::newRow("password's derivation refused")
            << (quint64(4) << 30) << vault::newRecoveryKey();
        QTest::newRow("recovery key unusable") << quint64(8u << 20) << QStringLiteral("XYZ");
    }
    void switchingOnFailsWholeWhenASlotCannotBeMade()
    {
        QFETCH(quint64, memory);
        QFETCH(QString, recoveryKey);
        test::put(QStringLiteral("261205"), QStringLiteral("坂"), kSentence);
        test::put(QStringLiteral("261206"), QStringLiteral("雪"), QStringLiteral("雪が降った"));
        QDir().mkpath(sUsrFld + QStringLiteral("backup"));
        QVERIFY(QFile::copy(diaryFile(), sUsrFld + QStringLiteral("backup/dbVesk-20261201.mdb")));
        const auto files = [] {
            QMap<QString, QByteArray> out;
            QDirIterator it(sUsrFld, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString path = it.next();
                out.insert(path, test::digest(path));
            }
            return out;
        };
        const auto before = files();
        const auto rows = test::stored();

        vault::setPasswordCost({1, memory});
        QString reason;
        auto keys = encryption::switchOn(diaryFile(), kPassword, recoveryKey, {}, reason);
        vault::setPasswordCost({1, 8u << 20});
        QVERIFY(!keys);
        QCOMPARE(reason, QStringLiteral("鍵を作れません (メモリが足りません)"));
        QCOMPARE(files(), before);
        QCOMPARE(test::stored(), rows);
        QVERIFY(DbOpen());
        QVERIFY(!DbIsEncrypted());
    }

    // The index of an encrypted diary answers as reading every body does, after a save and
    // another program's change, and after it is read back from its sealed file at the next
    // opening; a damaged or missing file is built anew, never trusted.
    void sealedIndexAnswersAsReadingEveryBody_data()
    {
        QTest::addColumn<QByteArray>("change"); // to the sealed file while the diary is closed
        QTest::addColumn<bool>("rebuilt");
        QTest::newRow("read back") << QByteArray() << false;
        QTest::newRow("damaged") << QByteArray("flip") << true;
        QTest::newRow("missing") << QByteArray("remove") << true;
    }
    void sealedIndexAnswersAsReadingEveryBody()
    {
        QFETCH(QByteArray, change);
        QFETCH(bool, rebuilt);
        encryptedDiary();
        QVERIFY(waitForSearchIndex(20000));
        QVERIFY(diary::save(QStringLiteral("261208"), QStringLiteral("夕"),
                            QStringLiteral("雪の夕焼け")));
        // Another program, waiting as SQLite does while the worker reads the diary.
        QVERIFY(test::onFile(
            diaryFile(), QStringLiteral("update tbDoc set szDoc='夕焼けの雨' where skYmn='261207'"),
            {}, nullptr, 5000));
        const QMap<QString, QStringList> expected{
            {QStringLiteral("雪"), {QStringLiteral("261208"), QStringLiteral("261206")}},
            {QStringLiteral("夕焼け"),
             {QStringLiteral("261208"), QStringLiteral("261207"), QStringLiteral("261205")}},
            {QStringLiteral("雨の日"), {}},
        };
        auto check = [&] {
            QVERIFY(waitForSearchIndex(20000));
            for (auto it = expected.begin(); it != expected.end(); ++it) {
                QStringList days;
                for (const QString& row : search(it.key()))
                    days << row.left(6);
                QCOMPARE(days, it.value());
            }
        };
        check();
        if (QTest::currentTestFailed()) return;
        const QString sealed = index::sealedPathFor(index::pathFor(diaryFile()));
        auto keys = vault::KeySet::fromDataKey(diaryKeys()->dataKey());
        DbClose();
        QFile f(sealed);
        if (change == "flip") {
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.seek(f.size() / 2));
            const char c = f.read(1).at(0);
            QVERIFY(f.seek(f.size() / 2));
            f.write(QByteArray(1, char(c ^ 1)));
            f.close();
        } else if (change == "remove") {
            QVERIFY(f.remove());
        }
        int progress = 0;
        setSearchIndexProgress([&](int, int) { ++progress; });
        QVERIFY(DbOpenUnlocked(std::move(keys)));
        check();
        QCoreApplication::processEvents();
        setSearchIndexProgress({});
        QCOMPARE(progress > 0, rebuilt);
    }

    // A diary opened for one search (as the terminal does) waits for the index kept sealed
    // from the last opening and is answered by it, and leaves its file alone; with none
    // kept, every body is read. Either way the same entries.
    void oneSearchUsesTheKeptSealedIndex_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QStringList>("days");
        QTest::newRow("a word") << QStringLiteral("雪") << QStringList{QStringLiteral("261206")};
        QTest::newRow("two days") << QStringLiteral("の")
                                  << QStringList{QStringLiteral("261207"),
                                                 QStringLiteral("261205")};
        QTest::newRow("* across") << QStringLiteral("海*見")
                                  << QStringList{QStringLiteral("261205")};
        QTest::newRow("nowhere") << QStringLiteral("晴") << QStringList();
    }
    void oneSearchUsesTheKeptSealedIndex()
    {
        QFETCH(QString, word);
        QFETCH(QStringList, days);
        encryptedDiary();
        QVERIFY(waitForSearchIndex(20000));
        const auto keys = vault::KeySet::fromDataKey(diaryKeys()->dataKey());
        DbClose();
        const QString sealed = index::sealedPathFor(index::pathFor(diaryFile()));
        for (const bool kept : {true, false}) {
            if (!kept) QVERIFY(QFile::remove(sealed));
            const QByteArray file = test::digest(sealed);
            QVERIFY(DbOpenUnlocked(vault::KeySet::fromDataKey(keys->dataKey())));
            QCOMPARE(hasKeptSearchIndex(), kept);
            if (kept) QVERIFY(waitForSearchIndex(20000));
            QStringList found;
            for (const QString& row : search(word))
                found << row.left(6);
            QCOMPARE(found, days);
            if (kept) QVERIFY(hasSearchIndex());
            DbClose();
            // Read and left as it was, it is not written again.
            if (kept) QCOMPARE(test::digest(sealed), file);
        }
    }

    // A wrong password says so, asks again, and writes nothing; after three misses the
    // recovery key is offered, and opens the diary even with its password slot damaged.
    void wrongPasswordWritesNothingAndRecoveryKeyOpens()
    {
        encryptedDiary();
        DbClose();
        const QByteArray untouched = test::digest(diaryFile());
        fake->promptAnswers = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                               QVariant()};
        fake->confirmAnswers = {false};
        QVERIFY(!DbOpen());
        QVERIFY(DbOpenCancelled());
        QCOMPARE(fake->messages.count(QStringLiteral("パスワードが違います")), 3);
        QCOMPARE(test::digest(diaryFile()), untouched);

        // The password slot damaged: the password no longer opens it, the recovery key does.
        QVariant slot;
        QVERIFY(test::onFile(diaryFile(),
                             QStringLiteral("select bData from tbVault where sSlot='password'"), {},
                             &slot));
        QByteArray bad = slot.toByteArray();
        bad[60] = char(bad[60] ^ 4);
        QVERIFY(test::onFile(diaryFile(),
                             QStringLiteral("update tbVault set bData=? where sSlot='password'"),
                             {bad}));
        fake->messages.clear();
        fake->promptAnswers = {kPassword, kPassword, kPassword, QStringLiteral("AAAA-BBBB"),
                               recovery.toLower()};
        fake->confirmAnswers = {true};
        QVERIFY(DbOpen());
        QCOMPARE(fake->messages,
                 QStringList({QStringLiteral("パスワードが違います"),
                              QStringLiteral("パスワードが違います"),
                              QStringLiteral("パスワードが違います"), fake->messages.at(3),
                              QStringLiteral("回復キーが違います")}));
        QString title, body;
        QVERIFY(diary::read(QStringLiteral("261205"), title, body));
        QCOMPARE(body, kSentence);
    }

    // A row moved to another day, or altered, fails for its own day only, naming it; a
    // row written in plain text by another tool reads as it is and is sealed at its save.
    void swappedOrAlteredRowFailsForItsOwnDay_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("listed"); // by a search for any text
        QTest::newRow("swapped") << QStringLiteral(
                                        "update tbDoc set szDoc=(select szDoc from tbDoc where "
                                        "skYmn='261205') where skYmn='261206'")
                                 << 2;
        QTest::newRow("altered")
            << QStringLiteral("update tbDoc set "
                              "szDoc=cast(substr(szDoc,1,40)||x'00'||substr(szDoc,42) as blob) "
                              "where skYmn='261206'")
            << 2;
        QTest::newRow("title from body")
            << QStringLiteral("update tbDoc set szTtl=szDoc where skYmn='261206'") << 3;
    }
    void swappedOrAlteredRowFailsForItsOwnDay()
    {
        QFETCH(QString, change);
        QFETCH(int, listed);
        encryptedDiary();
        test::direct(change);
        fake->messages.clear();
        QString title, body;
        QVERIFY(!diary::read(QStringLiteral("261206"), title, body));
        QCOMPARE(fake->messages.size(), 1);
        QVERIFY(fake->messages.first().startsWith(DateKey::display(QStringLiteral("261206"))));
        QVERIFY(diary::read(QStringLiteral("261205"), title, body));
        QCOMPARE(body, kSentence);
        QVERIFY(diary::read(QStringLiteral("261207"), title, body));
        QCOMPARE(title, QStringLiteral("雨"));
        // A search lists the others (and a day whose body opens, with no title, naming it).
        fake->messages.clear();
        const QStringList hits = search(QStringLiteral("*"));
        QCOMPARE(hits.size(), listed);
        QCOMPARE(fake->messages.size(), listed - 2);
        // Saving the day anew mends it.
        QVERIFY(
            diary::save(QStringLiteral("261206"), QStringLiteral("直"), QStringLiteral("直した")));
        QVERIFY(diary::read(QStringLiteral("261206"), title, body));
        QCOMPARE(body, QStringLiteral("直した"));
    }

    void plainRowFromAnotherToolIsSealedAtItsSave()
    {
        encryptedDiary();
        test::direct(QStringLiteral("update tbDoc set szDoc='外から' where skYmn='261207'"));
        QString title, body;
        QVERIFY(diary::read(QStringLiteral("261207"), title, body));
        QCOMPARE(body, QStringLiteral("外から"));
        QCOMPARE(search(QStringLiteral("外から")).size(), 1);
        QVERIFY(diary::save(QStringLiteral("261207"), title, body + u'!'));
        QCOMPARE(test::firstColumn(
                     diaryFile(),
                     QStringLiteral("select typeof(szDoc) from tbDoc where skYmn='261207'")),
                 QStringList{QStringLiteral("blob")});
        // Moving an entry seals it for its new day.
        int moved = 0;
        QVERIFY(diary::move(QStringLiteral("261207"), QStringLiteral("261201"), moved));
        QCOMPARE(moved, 1);
        QVERIFY(diary::read(QStringLiteral("261201"), title, body));
        QCOMPARE(body, QStringLiteral("外から!"));
    }

    // A new password opens the diary, the old one no longer; no row is written anew.
    void changingThePasswordRewrapsOnly()
    {
        encryptedDiary();
        const QStringList rows =
            test::firstColumn(diaryFile(), QStringLiteral("select hex(szDoc) from tbDoc"));
        auto keys = vault::KeySet::fromDataKey(diaryKeys()->dataKey());
        DbClose();
        QString reason;
        QVERIFY(encryption::changePassword(diaryFile(), *keys, QStringLiteral("新しい"), reason));
        QCOMPARE(test::firstColumn(diaryFile(), QStringLiteral("select hex(szDoc) from tbDoc")),
                 rows);
        fake->promptAnswers = {kPassword, QStringLiteral("新しい")};
        QVERIFY(DbOpen());
        QCOMPARE(fake->messages, QStringList{QStringLiteral("パスワードが違います")});
    }

    // The keyring opens the diary without a prompt, and still after a password change (the
    // slot wraps the data key, which the change keeps). A keyring that cannot keep the
    // secret leaves the diary as it was.
    void keyringOpensWithoutAPrompt()
    {
        encryptedDiary();
        const auto& keys = *diaryKeys();
        const QByteArray before = test::digest(diaryFile());
        fake->keyring.failure = QStringLiteral("locked");
        QString reason;
        QVERIFY(!encryption::keyringOn(diaryFile(), keys, reason));
        QCOMPARE(reason, QStringLiteral("locked"));
        QCOMPARE(test::digest(diaryFile()), before);
        fake->keyring.failure.clear();
        QVERIFY2(encryption::keyringOn(diaryFile(), keys, reason), qPrintable(reason));
        QVERIFY(DbHasKeyringSlot());
        QCOMPARE(fake->keyring.items.size(), 1);
        QVERIFY(encryption::changePassword(diaryFile(), keys, QStringLiteral("新しい"), reason));
        DbClose();
        QVERIFY(DbOpen());
        QVERIFY(fake->prompts.isEmpty());
        QString title, body;
        QVERIFY(diary::read(QStringLiteral("261205"), title, body));
        QCOMPARE(body, kSentence);
    }

    // Whatever keeps the keyring from giving the slot's secret, the password is asked and
    // nothing is written, in the diary or the keyring.
    void keyringFailureAsksThePassword_data()
    {
        QTest::addColumn<QString>("fault");
        for (const char* fault : {"no keyring service", "no item", "keyring refuses",
                                  "wrong secret", "secret of another length", "password slot"})
            QTest::newRow(fault) << QString::fromLatin1(fault);
    }
    void keyringFailureAsksThePassword()
    {
        QFETCH(QString, fault);
        encryptedDiary();
        QString reason;
        QVERIFY(encryption::keyringOn(diaryFile(), *diaryKeys(), reason));
        const QString account = fake->keyring.items.firstKey();
        DbClose();
        if (fault == u"no keyring service")
            services().keyring = nullptr;
        else if (fault == u"no item")
            fake->keyring.items.clear();
        else if (fault == u"keyring refuses")
            fake->keyring.failure = QStringLiteral("The name org.freedesktop.secrets was not "
                                                   "provided by any .service files");
        else if (fault == u"wrong secret")
            fake->keyring.items[account] = QByteArray(vault::kKeyringSecretBytes, 'x');
        else if (fault == u"secret of another length")
            fake->keyring.items[account].chop(1);
        else // the keyring's slot replaced by another kind: its secret must not open that
            QVERIFY(test::onFile(diaryFile(),
                                 QStringLiteral("update tbVault set bData=(select bData from "
                                                "tbVault where sSlot='password') where "
                                                "sSlot='keyring'")));
        const QByteArray file = test::digest(diaryFile());
        const auto items = fake->keyring.items;
        fake->promptAnswers = {kPassword};
        QVERIFY(DbOpen());
        QCOMPARE(fake->prompts.size(), 1);
        QVERIFY(fake->messages.isEmpty());
        QCOMPARE(test::digest(diaryFile()), file);
        QCOMPARE(fake->keyring.items, items);
    }

    // Turning the keyring off removes the slot from the diary and from its snapshots,
    // also when the keyring cannot be reached to remove its item (which then opens nothing).
    void keyringOffRemovesTheSlot_data()
    {
        QTest::addColumn<bool>("reachable");
        QTest::newRow("keyring reachable") << true;
        QTest::newRow("keyring unreachable") << false;
    }
    void keyringOffRemovesTheSlot()
    {
        QFETCH(bool, reachable);
        encryptedDiary();
        QString reason;
        QVERIFY(encryption::keyringOn(diaryFile(), *diaryKeys(), reason));
        const QString snapshot = sUsrFld + QStringLiteral("backup/dbVesk-20261207.mdb");
        QVERIFY(QDir().mkpath(sUsrFld + QStringLiteral("backup")));
        QVERIFY(QFile::copy(diaryFile(), snapshot));
        fake->keyring.failure = reachable ? QString() : QStringLiteral("no session bus");
        QCOMPARE(encryption::keyringOff(diaryFile(), *diaryKeys(), reason), reachable);
        QVERIFY(!DbHasKeyringSlot());
        QVERIFY(!encryption::hasKeyringSlot(snapshot));
        QCOMPARE(fake->keyring.items.isEmpty(), reachable);
        fake->keyring.failure.clear();
        DbClose();
        fake->promptAnswers = {kPassword};
        QVERIFY(DbOpen());
        QCOMPARE(fake->prompts.size(), 1);
    }

    // Switching off removes the keyring's item; an item left behind (the keyring was
    // unreachable) opens no diary encrypted later.
    void switchingOffLeavesNoKeyringThatOpensALaterDiary_data()
    {
        QTest::addColumn<bool>("reachable");
        QTest::newRow("keyring reachable") << true;
        QTest::newRow("keyring unreachable") << false;
    }
    void switchingOffLeavesNoKeyringThatOpensALaterDiary()
    {
        QFETCH(bool, reachable);
        encryptedDiary();
        QString reason;
        QVERIFY(encryption::keyringOn(diaryFile(), *diaryKeys(), reason));
        auto keys = vault::KeySet::fromDataKey(diaryKeys()->dataKey());
        DbClose();
        fake->keyring.failure = reachable ? QString() : QStringLiteral("locked");
        QVERIFY2(encryption::switchOff(diaryFile(), *keys, {}, reason), qPrintable(reason));
        QCOMPARE(fake->keyring.items.isEmpty(), reachable);
        QCOMPARE(test::firstColumn(diaryFile(), QStringLiteral("select count(*) from "
                                                               "sqlite_master where "
                                                               "name='tbVault'")),
                 QStringList{"0"});
        fake->keyring.failure.clear();
        QVERIFY(encryption::switchOn(diaryFile(), kPassword, recovery, {}, reason));
        fake->promptAnswers = {kPassword};
        QVERIFY(DbOpen());
        QCOMPARE(fake->prompts.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestEncryption)
#include "tst_encryption.moc"
