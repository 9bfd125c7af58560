// The key material on its own: slots open only with their secret, a damaged slot leaves
// the other one working, and a sealed value opens only for its own day and column.

#include "KeySet.h"
#include "KeySlot.h"
#include "RecoveryKey.h"

#include <QRegularExpression>
#include <QTest>

using namespace drv::vault;

class TstVault : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(ready());
        setPasswordCost({1, 8u << 20}); // the real cost is half a second per try
    }

    void passwordSlotOpensOnlyWithItsPassword()
    {
        const auto keys = KeySet::generate();
        QVERIFY(keys);
        const QByteArray slot = wrapWithPassword(keys->dataKey(), QStringLiteral("日記の鍵"));
        QCOMPARE(slotKind(slot), quint8(SlotKind::Password));
        const auto right = unwrap(slot, QStringLiteral("日記の鍵"));
        QVERIFY(right && *right == keys->dataKey());
        QVERIFY(!unwrap(slot, QStringLiteral("日記の鍵 ")));
        QVERIFY(!unwrap(slot, QString()));
        // Composed and decomposed forms of one password are one password.
        const QByteArray kana = wrapWithPassword(keys->dataKey(), QStringLiteral("が"));
        QVERIFY(unwrap(kana, QStringLiteral("か\u3099")));
    }

    // A keyring slot opens with its random secret only, never with text typed as a
    // password or recovery key; each slot made has its own id.
    void keyringSlotOpensOnlyWithItsSecret()
    {
        const auto keys = KeySet::generate();
        const auto secret = newKeyringSecret();
        QVERIFY(secret && secret->size() == kKeyringSecretBytes);
        const QByteArray slot = wrapWithKeyring(keys->dataKey(), *secret);
        QCOMPARE(slotKind(slot), quint8(SlotKind::Keyring));
        const auto right = unwrapWithKeyring(slot, *secret);
        QVERIFY(right && *right == keys->dataKey());
        QVERIFY(!unwrapWithKeyring(slot, *newKeyringSecret()));
        QVERIFY(!unwrap(slot, QString()));
        QVERIFY(!unwrapWithKeyring(wrapWithRecovery(keys->dataKey(), newRecoveryKey()), *secret));
        const QByteArray again = wrapWithKeyring(keys->dataKey(), *secret);
        QCOMPARE(slotId(slot).size(), 32);
        QVERIFY(slotId(slot) != slotId(again));
    }

    void damagedSlot_data()
    {
        QTest::addColumn<int>("at");
        QTest::newRow("cost") << 7;
        QTest::newRow("salt") << 20;
        QTest::newRow("nonce") << 40;
        QTest::newRow("wrapped key") << 80;
        QTest::newRow("tag") << 105;
    }
    void damagedSlot()
    {
        QFETCH(int, at);
        const auto keys = KeySet::generate();
        QByteArray pw = wrapWithPassword(keys->dataKey(), QStringLiteral("pw"));
        const QString recovery = newRecoveryKey();
        const QByteArray rc = wrapWithRecovery(keys->dataKey(), recovery);
        pw[at] = char(pw[at] ^ 0x10);
        QVERIFY(!unwrap(pw, QStringLiteral("pw")));
        // The recovery slot still gives the same key, typed sloppily.
        const auto back = unwrap(rc, recovery.toLower().replace(u'-', u' ').replace(u'O', u'0'));
        QVERIFY(back && *back == keys->dataKey());
        QVERIFY(!unwrap(rc, newRecoveryKey()));
    }

    void recoveryKeyIsWritable()
    {
        const QString key = newRecoveryKey();
        QCOMPARE(key.size(), 39); // eight groups of four
        QVERIFY(QRegularExpression(QStringLiteral("^([A-Z2-7]{4}-){7}[A-Z2-7]{4}$"))
                    .match(key)
                    .hasMatch());
        QCOMPARE(recoveryText(recoveryBytes(key)), key);
        QVERIFY(recoveryBytes(key.left(38)).isEmpty());
        QVERIFY(recoveryBytes(key + u'A').isEmpty());
        QVERIFY(recoveryBytes(QString(key).replace(0, 1, u'!')).isEmpty());
    }

    // Japanese text is sealed as UTF-16 (shorter), mostly-ASCII text as UTF-8; both open.
    void sealedValueOpensForItsDayAndColumnOnly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("form");
        QTest::newRow("japanese") << QStringLiteral("今日は雪が降った。\r\n'\"?") << 2;
        QTest::newRow("ascii") << QStringLiteral("Snow today, 20 cm. 雪") << 1;
    }

    void sealedValueOpensForItsDayAndColumnOnly()
    {
        QFETCH(QString, text);
        QFETCH(int, form);
        const auto keys = KeySet::generate();
        const QByteArray sealed =
            keys->sealValue(QStringLiteral("261207"), QStringLiteral("szDoc"), text);
        QVERIFY(isSealed(sealed));
        QCOMPARE(int(sealed[3]), form);
        QVERIFY(!sealed.contains(text.toUtf8()));
        QVERIFY(!isSealed(text.toUtf8()));
        // A fresh nonce each time: the same text never seals to the same bytes.
        QVERIFY(sealed != keys->sealValue(QStringLiteral("261207"), QStringLiteral("szDoc"), text));
        QString out;
        QVERIFY(keys->openValue(QStringLiteral("261207"), QStringLiteral("szDoc"), sealed, out));
        QCOMPARE(out, text);
        QVERIFY(!keys->openValue(QStringLiteral("261208"), QStringLiteral("szDoc"), sealed, out));
        QVERIFY(!keys->openValue(QStringLiteral("261207"), QStringLiteral("szTtl"), sealed, out));
        QByteArray altered = sealed;
        altered[40] = char(altered[40] ^ 1);
        QVERIFY(!keys->openValue(QStringLiteral("261207"), QStringLiteral("szDoc"), altered, out));
        QVERIFY(!KeySet::generate()->openValue(QStringLiteral("261207"), QStringLiteral("szDoc"),
                                               sealed, out));
        // The empty text seals and opens too.
        QVERIFY(keys->openValue(QStringLiteral("1"), QStringLiteral("szTtl"),
                                keys->sealValue(QStringLiteral("1"), QStringLiteral("szTtl"), {}),
                                out));
        QVERIFY(out.isEmpty());
    }

    void filesAndDigestsAreBoundToTheirUse()
    {
        const auto keys = KeySet::generate();
        const auto same = KeySet::fromDataKey(keys->dataKey());
        const QByteArray plain("draft body 下書き");
        const QByteArray sealed = keys->sealFile(KeySet::Use::Drafts, plain);
        QVERIFY(isSealedFile(sealed));
        QByteArray out;
        QVERIFY(same->openFile(KeySet::Use::Drafts, sealed, out));
        QCOMPARE(out, plain);
        QVERIFY(!same->openFile(KeySet::Use::IndexFile, sealed, out));
        QCOMPARE(keys->digest("x", 1), same->digest("x", 1));
        QVERIFY(keys->digest("x", 1) != KeySet::generate()->digest("x", 1));
        QVERIFY(keys->digest("x", 1) != keys->digest("y", 1));
    }
};

QTEST_GUILESS_MAIN(TstVault)
#include "tst_vault.moc"
