// The desktop's keyring for real: GNOME Keyring on a session bus of its own, started by
// scripts/keyring-test.sh in each state the program meets (DRVESK_KEYRING_CASE): unlocked,
// locked with nobody to type its password, no secret service on the bus, no bus at all.

#include "DesktopKeyring.h"
#include "Diary.h"
#include "DiaryEncryption.h"
#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "DiaryKeys.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "KeySlot.h"
#include "RecoveryKey.h"
#include "Store.h"

#include <QTest>

using namespace drv;

namespace {

const QString kPassword = QStringLiteral("ひみつの合言葉");
// Left in the keyring by the unlocked case for the locked one to find locked away.
const QString kKept = QStringLiteral("diary-kept");
const QByteArray kKeptSecret(vault::kKeyringSecretBytes, '\x5a');

QString diaryFile()
{
    return sUsrFld + QStringLiteral("dbVesk.mdb");
}

} // namespace

class TestDesktopKeyring : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;
    DesktopKeyring real;
    const QString mode = qEnvironmentVariable("DRVESK_KEYRING_CASE");
    bool unlocked() const { return mode == u"unlocked"; }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!mode.isEmpty(), "run by scripts/keyring-test.sh");
        vault::setPasswordCost({1, 8u << 20});
    }
    void init() { fake = test::startDiary(); }
    void cleanup() { test::endDiary(fake); }

    // Items are kept, read and removed where there is a keyring to reach; every call
    // fails, with a reason, where there is none.
    void itemsRoundTrip()
    {
        QString reason;
        QByteArray got;
        if (!unlocked()) {
            QVERIFY(!real.read(kKept, got, reason));
            QVERIFY(!reason.isEmpty());
            qInfo("%s: %s", qPrintable(mode), qPrintable(reason)); // which failure it met
            QVERIFY(got.isEmpty());
            QVERIFY(!real.write(QStringLiteral("diary-new"), kKeptSecret, reason));
            return;
        }
        QVERIFY2(real.write(kKept, kKeptSecret, reason), qPrintable(reason));
        QVERIFY2(real.read(kKept, got, reason), qPrintable(reason));
        QCOMPARE(got, kKeptSecret);
        const QString gone = QStringLiteral("diary-gone");
        QVERIFY(real.write(gone, QByteArray(32, '\0'), reason));
        QVERIFY(real.remove(gone, reason));
        QVERIFY(!real.read(gone, got, reason));
        QVERIFY2(real.remove(gone, reason), qPrintable(reason)); // nothing to remove
    }

    // The diary opens from the keyring with no prompt; where the keyring fails the
    // password is asked and the diary file stays byte-identical.
    void diaryOpensFromTheKeyringOrAsks()
    {
        test::put(QStringLiteral("261207"), QStringLiteral("雪"), QStringLiteral("雪が降った"));
        QString reason;
        auto keys =
            encryption::switchOn(diaryFile(), kPassword, vault::newRecoveryKey(), {}, reason);
        QVERIFY(keys && DbOpenUnlocked(std::move(keys)));
        // Without a keyring to keep the secret, the slot is made with the scripted one.
        services().keyring = unlocked() ? static_cast<Keyring*>(&real) : &fake->keyring;
        QVERIFY2(encryption::keyringOn(diaryFile(), *diaryKeys(), reason), qPrintable(reason));
        services().keyring = &real;
        DbClose();
        const QByteArray file = test::digest(diaryFile());
        fake->promptAnswers = {kPassword};
        QVERIFY(DbOpen());
        QCOMPARE(fake->prompts.size(), unlocked() ? 0 : 1);
        QCOMPARE(test::digest(diaryFile()), file);
        QString title, body;
        QVERIFY(diary::read(QStringLiteral("261207"), title, body));
        QCOMPARE(body, QStringLiteral("雪が降った"));
        if (!unlocked()) return;
        const QString account = keyringAccount(QByteArray::fromHex(
            test::firstColumn(diaryFile(), QStringLiteral("select hex(bData) from tbVault "
                                                          "where sSlot='keyring'"))
                .value(0)
                .toLatin1()));
        QByteArray got;
        QVERIFY(real.read(account, got, reason));
        vault::wipe(got);
        QVERIFY2(encryption::keyringOff(diaryFile(), *diaryKeys(), reason), qPrintable(reason));
        QVERIFY(!real.read(account, got, reason));
        DbClose();
        QVERIFY(DbOpen());
        QCOMPARE(fake->prompts.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDesktopKeyring)
#include "tst_desktopkeyring.moc"
