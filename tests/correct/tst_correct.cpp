// The correction window driven through its editor, against a temporary diary.

#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "FakeMainView.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "MainView.h"
#include "Store.h"
#include "sbEdt.h"
#include "uTxA.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QTextDocument>
#include <QWindow>

#include <array>

using namespace drv;
using drv::test::direct;
using drv::test::put;
using drv::test::stored;
using Entry = drv::test::StoredEntry;

namespace {

// A change made elsewhere while the diary is open (the main window, another copy),
// through the store so that its search index stays in step.
void elsewhere(const QString& sql, std::initializer_list<StoreValue> values)
{
    Statement st{sql, {}};
    SqlSet(st, values);
    int count = 0;
    QVERIFY(DbExec(st, count));
    QCOMPARE(count, 1);
}

// Types text as key presses; QTest::keyClicks only knows Latin-1.
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// The main window as the correction window sees it.
// The window this one is placed over and takes its fonts from.
struct FakeView : test::FakeMainView {
    FakeView()
    {
        frame = {100, 40, 900, 700};
        column = {330, 70, 660, 650};
        fonts = {
            {{QStringLiteral("IPAGothic"), 14, true}, {QStringLiteral("IPAMincho"), 13, true}}};
    }
};

} // namespace

class TestCorrect : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;
    std::unique_ptr<FakeView> view;

    static QPlainTextEdit* editor(sbEdt& w) { return w.uTxt->findChild<QPlainTextEdit*>(); }
    // Opens key in the window and types text at the end of its body.
    sbEdt& openAndType(const QString& key, const QString& text)
    {
        sbEdt& w = sbEdt::instance();
        w.ActDc(key);
        QPlainTextEdit* m = editor(w);
        m->moveCursor(QTextCursor::End);
        typeText(m, text);
        return w;
    }
    static void flushDeletes()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private Q_SLOTS:
    void init()
    {
        fake = test::startDiary();
        view = std::make_unique<FakeView>();
        setMainView(view.get());
        put(QStringLiteral("061224"), QStringLiteral("Trip"), QStringLiteral("Snow in Sapporo."));
        put(QStringLiteral("061225"), QStringLiteral("帰宅"), QStringLiteral("家に着いた。"));
        QVERIFY(DbOpen());
    }
    void cleanup()
    {
        if (sbEdt* w = sbEdt::loaded()) {
            w->bChg = false;
            w->close();
        }
        flushDeletes();
        QVERIFY(!sbEdt::loaded());
        setMainView(nullptr);
        view.reset();
        test::endDiary(fake);
    }

    void opensEntryWithDateAndTitleInCaption_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("body");
        QTest::newRow("stored entry")
            << u"061224"_qs << u"06/12/24 / Trip の修正"_qs << u"Snow in Sapporo."_qs;
        QTest::newRow("day without entry") << u"061223"_qs << u"06/12/23 /  の修正"_qs << QString();
    }
    void opensEntryWithDateAndTitleInCaption()
    {
        QFETCH(QString, key);
        QFETCH(QString, caption);
        QFETCH(QString, body);
        sbEdt& w = sbEdt::instance();
        QCOMPARE(w.windowTitle(), u"文書修正"_qs);
        w.ActDc(key);
        QVERIFY(w.isVisible());
        QVERIFY(!w.isModal());
        QVERIFY(!w.parentWidget());
        QCOMPARE(w.windowTitle(), caption);
        QCOMPARE(editor(w)->toPlainText(), body);
        QCOMPARE(w.sYmn, key);
        QVERIFY(!w.bChg);
    }

    void titleWithQtModifiedMarkShowsLiterally()
    {
        elsewhere(QStringLiteral("insert into tbDoc values(?,?,?)"),
                  {u"070101"_qs, u"a[*]b"_qs, u"x"_qs});
        sbEdt& w = sbEdt::instance();
        w.ActDc(QStringLiteral("070101"));
        QVERIFY(w.windowHandle());
        QCOMPARE(w.windowHandle()->title(), u"07/01/01 / a[*]b の修正"_qs);
    }

    void loadPlacesOverLowerPartWithBodyFont()
    {
        sbEdt& w = sbEdt::instance();
        w.ActDc(QStringLiteral("061224"));
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // 30 % of 700 is 210; 70 % less 20 twips.
        const int less = qRound(20 * w.logicalDpiY() / 1440.0);
        QCOMPARE(w.frameGeometry(), QRect(330, 250, 660, 490 - less));
        QCOMPARE(w.uTxt->FontName(), u"IPAMincho"_qs);
        QCOMPARE(w.uTxt->FontSize(), 13);
        QVERIFY(w.uTxt->FontBold());
        const QTextOption::Flags flags = editor(w)->document()->defaultTextOption().flags();
        QVERIFY(flags & QTextOption::ShowTabsAndSpaces);
        QVERIFY(flags & QTextOption::ShowLineAndParagraphSeparators);
        // The editor fills the window.
        QCOMPARE(w.uTxt->geometry(), w.rect());
        w.resize(500, 300);
        QCOMPARE(w.uTxt->geometry(), QRect(0, 0, 500, 300));
    }

    void withoutMainWindowOpensWithDefaults()
    {
        setMainView(nullptr);
        sbEdt& w = sbEdt::instance();
        w.ActDc(QStringLiteral("061224"));
        QVERIFY(w.isVisible());
        QCOMPARE(editor(w)->toPlainText(), u"Snow in Sapporo."_qs);
    }

    void closingUnchangedWritesNothing()
    {
        QPointer<sbEdt> w = &sbEdt::instance();
        w->ActDc(QStringLiteral("061224"));
        // Another writer changes the entry; closing without typing must not undo that.
        elsewhere(QStringLiteral("update tbDoc set szDoc=? where skYmn=?"),
                  {u"changed elsewhere"_qs, u"061224"_qs});
        QVERIFY(w->close());
        QVERIFY(!sbEdt::loaded());
        flushDeletes();
        QVERIFY(!w);
        QCOMPARE(stored().value(u"061224"_qs).body, u"changed elsewhere"_qs);
        QVERIFY(view->corrected.isEmpty());
        QVERIFY(fake->messages.isEmpty());
    }

    void closingChangedStoresBodyOfThatEntryOnly()
    {
        const auto before = stored();
        sbEdt& w = openAndType(QStringLiteral("061224"), u" It's \"deep\" 雪!  "_qs);
        QTest::keyClick(editor(w), Qt::Key_Return);
        QVERIFY(w.bChg);
        QVERIFY(w.close());
        const QString body = u"Snow in Sapporo. It's \"deep\" 雪!"_qs;
        auto expected = before;
        expected[u"061224"_qs].body = body;
        QCOMPARE(stored(), expected);
        QCOMPARE(view->corrected.size(), 1);
        QCOMPARE(view->corrected.first(), qMakePair(u"061224"_qs, body));
        QVERIFY(fake->messages.isEmpty());
        QVERIFY(!sbEdt::loaded());
    }

    void nextActDcLoadsAndPlacesAgain()
    {
        sbEdt* first = &sbEdt::instance();
        first->ActDc(QStringLiteral("061224"));
        first->move(10, 10);
        QVERIFY(first->close());
        flushDeletes();
        sbEdt& again = sbEdt::instance();
        again.ActDc(QStringLiteral("061225"));
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(again.frameGeometry().topLeft(), QPoint(330, 250));
        QCOMPARE(again.windowTitle(), u"06/12/25 / 帰宅 の修正"_qs);
    }

    void secondActDcStoresPendingChangeFirst()
    {
        sbEdt& w = openAndType(QStringLiteral("061224"), QStringLiteral(" Cold."));
        w.move(20, 30);
        const QPoint place = w.pos();
        w.ActDc(QStringLiteral("061225"));
        QCOMPARE(stored().value(u"061224"_qs).body, u"Snow in Sapporo. Cold."_qs);
        QCOMPARE(view->corrected.size(), 1);
        QCOMPARE(&w, sbEdt::loaded());
        QCOMPARE(w.pos(), place);
        QCOMPARE(w.sYmn, u"061225"_qs);
        QCOMPARE(w.windowTitle(), u"06/12/25 / 帰宅 の修正"_qs);
        QCOMPARE(editor(w)->toPlainText(), u"家に着いた。"_qs);
        QVERIFY(!w.bChg);
        // The second entry was only shown, so closing now writes nothing more.
        QVERIFY(w.close());
        QCOMPARE(view->corrected.size(), 1);
        QCOMPARE(stored().value(u"061225"_qs).body, u"家に着いた。"_qs);
    }

    void failedSaveKeepsTextInOpenWindow()
    {
        sbEdt& w = openAndType(QStringLiteral("061224"), QStringLiteral(" Kept."));
        DbClose();
        // Neither closing (when the user does not agree to drop it) nor switching to
        // another entry may drop the text.
        fake->confirmAnswers = {false, false};
        QVERIFY(!w.close());
        w.ActDc(QStringLiteral("061225"));
        QVERIFY(!sbEdt::closeIfOpen());
        QCOMPARE(sbEdt::loaded(), &w);
        QVERIFY(w.isVisible());
        QVERIFY(w.bChg);
        QCOMPARE(w.sYmn, u"061224"_qs);
        QCOMPARE(w.uTxt->Text(), u"Snow in Sapporo. Kept."_qs);
        // Each failure is told; each close also asks.
        QCOMPARE(fake->messages.size(), 5);
        QCOMPARE(fake->messages.at(1),
                 u"修正を保存できませんでした。\n保存せずに閉じてよいですか"_qs);
        QVERIFY(fake->confirmAnswers.isEmpty());
        QVERIFY(view->corrected.isEmpty());
        // Once the store works again, the close stores it.
        QVERIFY(DbOpen());
        QVERIFY(sbEdt::closeIfOpen());
        QVERIFY(!sbEdt::loaded());
        QCOMPARE(stored().value(u"061224"_qs).body, u"Snow in Sapporo. Kept."_qs);
    }

    // A store that keeps failing does not hold the window, or the program, open for good.
    void failedSaveMayBeDroppedOnClose()
    {
        openAndType(QStringLiteral("061224"), QStringLiteral(" Dropped."));
        DbClose();
        fake->confirmAnswers = {true};
        QVERIFY(sbEdt::closeIfOpen());
        flushDeletes();
        QVERIFY(!sbEdt::loaded());
        QCOMPARE(fake->messages.size(), 2);
        QVERIFY(fake->confirmAnswers.isEmpty());
        QVERIFY(view->corrected.isEmpty());
        QCOMPARE(stored().value(u"061224"_qs).body, u"Snow in Sapporo."_qs);
    }

    void entryGoneMeanwhileAsksBeforeDroppingCorrection()
    {
        sbEdt& w = openAndType(QStringLiteral("061224"), QStringLiteral(" Lost?"));
        elsewhere(QStringLiteral("delete from tbDoc where skYmn=?"), {u"061224"_qs});
        fake->confirmAnswers = {false, true};
        QVERIFY(!w.close());
        QCOMPARE(fake->messages.size(), 1);
        QVERIFY(fake->messages.first().startsWith(u"06/12/24 の日記はもうありません"_qs));
        QCOMPARE(w.uTxt->Text(), u"Snow in Sapporo. Lost?"_qs);
        QVERIFY(w.close());
        QCOMPARE(fake->messages.size(), 2);
        // Nothing is created in its place, and nobody is told of a correction.
        QVERIFY(!stored().contains(u"061224"_qs));
        QVERIFY(view->corrected.isEmpty());
    }

    void closeIfOpenStoresChangeBeforeShutdown()
    {
        QVERIFY(sbEdt::closeIfOpen()); // nothing loaded
        openAndType(QStringLiteral("061225"), QStringLiteral("夜。"));
        QVERIFY(sbEdt::closeIfOpen());
        QVERIFY(!sbEdt::loaded());
        DbClose();
        QCOMPARE(stored().value(u"061225"_qs).body, u"家に着いた。夜。"_qs);
    }
};

QTEST_MAIN(TestCorrect)
#include "tst_correct.moc"
