// Big and unusual entries: a 10 MB body, a 100,000-character title, control characters,
// emoji and characters that Shift-JIS cannot hold come back exactly, from the store and
// through the main window; a listing of 50 entries of 100,000 characters still opens its
// links.

#include "DateKey.h"
#include "Diary.h"
#include "DiaryFixture.h"
#include "FakeMainView.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "ListingView.h"
#include "MainView.h"
#include "MainWindow.h"
#include "MonthCalendar.h"
#include "SearchStatements.h"
#include "Statements.h"
#include "Store.h"
#include "fmTxt.h"
#include "sbEdt.h"
#include "sbFnd.h"
#include "uTxA.h"

#include <QLineEdit>
#include <QTest>
#include <QTextCursor>

#include <memory>

using namespace drv;

namespace {

// Every control character but NUL and, where the text goes into a title box, which holds
// one line, the line feed. A body editor holds its line breaks as line feeds: a carriage
// return cannot be typed or pasted into it, so the rows for it have none.
QString controls(bool lineFeed, bool carriageReturn)
{
    QString s;
    for (char16_t c = 1; c < 0x20; ++c)
        if ((c != u'\n' || lineFeed) && (c != u'\r' || carriageReturn)) s += QChar(c);
    s += QChar(0x7F);
    for (char16_t c = 0x80; c < 0xA0; ++c)
        s += QChar(c);
    return s;
}

// Text of about the given size in UTF-8 bytes, in lines, with a word at its very end.
QString bigBody(qsizetype bytes, const QString& lineBreak)
{
    const QString line = QStringLiteral("今日は雨。It's \"wet\"? 100% 🌸 ｶﾞｷﾞ") + lineBreak;
    const qsizetype lineBytes = line.toUtf8().size();
    return QStringLiteral("始まり") + line.repeated(bytes / lineBytes) +
           QStringLiteral("終わりの言葉");
}

void addRows(bool forEditor)
{
    const QString lineBreak = forEditor ? QStringLiteral("\n") : QStringLiteral("\r\n");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("body");
    QTest::newRow("10 MB body") << QStringLiteral("大きな本文") << bigBody(10 << 20, lineBreak);
    QTest::newRow("100,000-character title")
        << QStringLiteral("長").repeated(50000) + QStringLiteral("い題").repeated(25000)
        << QStringLiteral("本文");
    QTest::newRow("control characters")
        << QStringLiteral("題") + controls(false, true) + QStringLiteral("。")
        << QStringLiteral("本") + controls(true, !forEditor) + QStringLiteral("文");
    QTest::newRow("emoji") << QStringLiteral("😀👨‍👩‍👧‍👦🇯🇵👍🏽")
                           << QStringLiteral(
                                  "花🌸と🍣、家族👨‍👩‍👧、旗🏳️‍🌈") +
                                  lineBreak + QStringLiteral("✌️");
    QTest::newRow("outside Shift-JIS")
        << QStringLiteral("𠮷野家 한국어 € © ß ı")
        << QStringLiteral("e\u0301 (decomposed) مرحبا \uFEFF \uFFFD 丂 𩸽 Ǆ ﬁ ㈱");
}

QString stored(const QString& key, QString* title = nullptr)
{
    Statement st{sql::kEntry, {}};
    SqlSet(st, {key});
    QString t, b;
    if (!DbGetRec(st, t, b)) return QStringLiteral("<read failed>");
    if (title) *title = t;
    return b;
}

using FakeView = test::FakeMainView;

} // namespace

class TestBigEntries : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;

private Q_SLOTS:
    void init() { fake = test::startDiary(); }
    void cleanup()
    {
        sbEdt::closeIfOpen();
        sbFnd::closeIfOpen();
        test::endDiary(fake);
    }

    void storeKeepsEveryCharacter_data() { addRows(false); }
    void storeKeepsEveryCharacter()
    {
        QFETCH(QString, title);
        QFETCH(QString, body);
        QVERIFY(DbOpen());
        const QString key = QStringLiteral("261207");
        QVERIFY(diary::save(key, title, body));
        QString t;
        QVERIFY(stored(key, &t) == body);
        QVERIFY(t == title);
        // The month list shows the whole title.
        Statement month{sql::kMonthList + sql::kMonthRange + sql::kByKey, {}};
        SqlSet(month, {QStringLiteral("2612"), QStringLiteral("261232")});
        ColumnTable rows;
        int n = 0;
        QVERIFY(DbGetRows(month, rows, n));
        QCOMPARE(n, 1);
        QVERIFY(rows[1][0].toString() == title);
        // Written over by a short entry: nothing of the long one is left.
        QVERIFY(diary::save(key, QStringLiteral("短い"), QStringLiteral("本文")));
        QCOMPARE(stored(key, &t), QStringLiteral("本文"));
        QCOMPARE(t, QStringLiteral("短い"));
        QVERIFY(fake->messages.isEmpty());
    }

    void storeKeepsNulCharacters()
    {
        QVERIFY(DbOpen());
        const QString title = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
        const QString body = QChar(0) + QStringLiteral("本文") + QChar(0) + QStringLiteral("続き");
        QVERIFY(diary::save(QStringLiteral("261207"), title, body));
        QString t;
        QCOMPARE(stored(QStringLiteral("261207"), &t), body);
        QCOMPARE(t, title);
    }

    void wordAtTheEndOfTenMegabytesIsFound()
    {
        QVERIFY(DbOpen());
        QVERIFY(diary::save(QStringLiteral("261207"), QStringLiteral("大"),
                            bigBody(10 << 20, QStringLiteral("\n"))));
        QVERIFY(
            diary::save(QStringLiteral("261206"), QStringLiteral("小"), QStringLiteral("終わり")));
        Statement st{sql::kTop50 + sql::kWithWord + sql::kNewestFirst, {}};
        SqlSet(st, {QStringLiteral("始まり*終わりの言葉")});
        ColumnTable t;
        int n = 0;
        QVERIFY(DbGetRows(st, t, n));
        QCOMPARE(n, 1);
        QCOMPARE(t[0][0].toString(), QStringLiteral("261207"));
    }

    void mainWindowSavesAndShowsExactly_data() { addRows(true); }
    void mainWindowSavesAndShowsExactly()
    {
        QFETCH(QString, title);
        QFETCH(QString, body);
        std::unique_ptr<fmTxt> w(test::openMainWindow());
        QVERIFY(w);
        w->vTTL->setText(title);
        w->uTxt->setText(body);
        QVERIFY(w->Modified);
        w->mnFile.at(0)->trigger(); // 更新
        QVERIFY2(fake->messages.isEmpty(), qPrintable(fake->messages.join(u'\n')));
        QVERIFY(!w->Modified);
        QString t;
        QVERIFY(stored(QStringLiteral("261207"), &t) == body);
        QVERIFY(t == title);

        // Another day, and back: the entry is shown as it was typed.
        for (const QDate d : {QDate(2026, 12, 8), QDate(2026, 12, 7)})
            QTest::mouseClick(w->vCLn, Qt::LeftButton, {}, w->vCLn->dateRect(d).center());
        QCOMPARE(w->CurrentKey, QStringLiteral("261207"));
        QVERIFY(w->vTTL->text() == title);
        QVERIFY(w->uTxt->Text() == body);
        QVERIFY(!w->Modified);
        w->close();
    }

    void listingOfFiftyHugeEntriesOpensItsLinks()
    {
        FakeView view;
        setMainView(&view);
        QVERIFY(DbOpen());
        for (int i = 0; i < 50; ++i) {
            const QString key = DateKey::fromDate(QDate(2026, 1, 1).addDays(i));
            QVERIFY(diary::save(key, QStringLiteral("題") + key,
                                QString(100000 - 10, QChar(u'あ' + i % 80)) +
                                    QStringLiteral("目印") + key.left(4) + QStringLiteral("と")));
        }
        sbFnd::instance().ActWd(QStringLiteral("目印"));
        sbFnd& w = sbFnd::instance();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QString listing = w.vDoc->wholeText();
        QVERIFY(listing.size() > 50 * 100000);
        // The first, a middle and the last link each open their own entry.
        for (const QString& key :
             {QStringLiteral("260219"), QStringLiteral("260126"), QStringLiteral("260101")}) {
            const qsizetype at = listing.indexOf(QStringLiteral("■") + DateKey::display(key));
            QVERIFY2(at >= 0, qPrintable(key));
            QTextCursor c(w.vDoc->document());
            c.setPosition(int(at + 3));
            w.vDoc->setTextCursor(c);
            w.vDoc->ensureCursorVisible();
            QTest::mouseClick(w.vDoc->viewport(), Qt::LeftButton, {},
                              w.vDoc->cursorRect(c).center());
            QVERIFY(sbEdt::loaded());
            QCOMPARE(sbEdt::loaded()->sYmn, key);
            sbEdt::closeIfOpen();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        setMainView(nullptr);
    }
};

QTEST_MAIN(TestBigEntries)
#include "tst_bigentries.moc"
