// The listing window: its runs as plain data, then the window itself driven with the
// mouse, its menu and the keyboard, against a temporary diary.

#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "FakeMainView.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "ListingText.h"
#include "ListingView.h"
#include "MainView.h"
#include "Store.h"
#include "sbEdt.h"
#include "sbFnd.h"
#include "uTxA.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QWindow>

#include <array>

using namespace drv;
using drv::test::direct;
using drv::test::put;

namespace {

const FontSetting kTitleFont{QStringLiteral("IPAGothic"), 14, true};
const FontSetting kBodyFont{QStringLiteral("IPAMincho"), 12, true};

RunFormat fmt(const FontSetting& f, int size, bool bold, QRgb colour, bool underline = false)
{
    return {f.name, size, bold, colour, underline};
}
const RunFormat kLink = fmt(kTitleFont, 14, true, kLinkColour, true);
const RunFormat kTitle = fmt(kTitleFont, 14, true, kTitleColour);
const RunFormat kTitleRed = fmt(kTitleFont, 14, true, kMatchColour);
const RunFormat kBody = fmt(kBodyFont, 12, true, kBodyColour);
const RunFormat kBodyRed = fmt(kBodyFont, 12, true, kMatchColour);
const RunFormat kBodyAfter = fmt(kBodyFont, 12, false, kBodyColour);

// What the eye sees: line breaks dropped, neighbours of one format joined.
QList<ListingRun> visible(const QList<ListingRun>& runs)
{
    QList<ListingRun> out;
    for (ListingRun r : runs) {
        r.text.remove(u'\n');
        if (r.text.isEmpty()) continue;
        if (!out.isEmpty() && out.last().format == r.format)
            out.last().text += r.text;
        else
            out.append(r);
    }
    return out;
}

// The rendered listing read back from the document, as runs.
QList<ListingRun> documentRuns(const QTextDocument* doc)
{
    QList<ListingRun> out;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat cf = f.charFormat();
            out.append({f.text(),
                        {cf.fontFamilies().toStringList().value(0), int(cf.fontPointSize()),
                         cf.fontWeight() >= QFont::Bold, cf.foreground().color().rgb(),
                         cf.fontUnderline()}});
        }
    }
    return visible(out);
}

// The red runs of a listing, in order.
QStringList redRuns(const QList<ListingRun>& runs)
{
    QStringList out;
    for (const ListingRun& r : runs)
        if (r.format.colour == kMatchColour) out << r.text;
    return out;
}

// The keys of a listing's header lines, in order.
QStringList listedKeys(const QString& listing)
{
    QStringList keys;
    static const QRegularExpression header(QStringLiteral("^■(\\d\\d)/(\\d\\d)/(\\d\\d)_  "),
                                           QRegularExpression::MultilineOption);
    for (const auto& m : header.globalMatch(listing))
        keys << m.captured(1) + m.captured(2) + m.captured(3);
    return keys;
}

struct FakeView : test::FakeMainView {
    FakeView()
    {
        column = {300, 60, 720, 700};
        fonts = {kTitleFont, kBodyFont};
    }
};

} // namespace

class TestSearch : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;
    FakeView view;

    static sbFnd& shown()
    {
        sbFnd& w = sbFnd::instance();
        if (!QTest::qWaitForWindowExposed(&w)) qWarning("listing window not exposed");
        return w;
    }
    // Clicks the listing with the caret going to position pos.
    static void clickAt(sbFnd& w, int pos, Qt::MouseButton button = Qt::LeftButton)
    {
        QTextCursor c(w.vDoc->document());
        c.setPosition(pos);
        w.vDoc->setTextCursor(c);
        w.vDoc->ensureCursorVisible();
        const QRect r = w.vDoc->cursorRect(c);
        QTest::mouseClick(w.vDoc->viewport(), button, {}, r.center());
    }
    static void select(sbFnd& w, int from, int to)
    {
        QTextCursor c(w.vDoc->document());
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        w.vDoc->setTextCursor(c);
    }
    static void flushDeletes()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private Q_SLOTS:
    void init()
    {
        fake = test::startDiary();
        setMainView(&view);
        direct(QStringLiteral("select 1")); // the diary file exists from here on
    }
    void cleanup()
    {
        sbEdt::closeIfOpen();
        sbFnd::closeIfOpen();
        flushDeletes();
        QVERIFY(!sbEdt::loaded());
        QVERIFY(!sbFnd::loaded());
        setMainView(nullptr);
        test::endDiary(fake);
    }

    // ---- The listing as data ----

    void headerAndBodyRunsCarryTheirFormats()
    {
        ListingText t;
        t.addTitle(u"260105"_qs, u"Big Apple pie, apple"_qs, u"apple"_qs, kTitleFont);
        t.addBody(u"I ate an APPLE and apple again"_qs, u"apple"_qs, kBodyFont);
        t.addTitle(u"260104"_qs, u"No match"_qs, u"apple"_qs, kTitleFont);
        t.addBody(u"Nothing here"_qs, u"apple"_qs, kBodyFont);
        const QList<ListingRun> expected{
            {u"■26/01/05_"_qs, kLink},
            {u"  Big "_qs, kTitle},
            {u"Apple"_qs, kTitleRed},
            {u" pie, apple\n"_qs, kTitle},
            {u"I ate an "_qs, kBody},
            {u"APPLE"_qs, kBodyRed},
            {u" and apple again\n\n"_qs, kBodyAfter},
            {u"■26/01/04_"_qs, kLink},
            {u"  No match\n"_qs, kTitle},
            {u"Nothing here\n\n"_qs, kBody},
        };
        QCOMPARE(t.take(), expected);
        QVERIFY(t.take().isEmpty());
    }

    void matchAtTheEndLeavesLineBreakInTheRedFormat()
    {
        ListingText t;
        t.addTitle(u"260105"_qs, u"Big apple"_qs, u"apple"_qs, kTitleFont);
        t.addBody(u"apple"_qs, u"apple"_qs, kBodyFont);
        const QList<ListingRun> expected{
            {u"■26/01/05_"_qs, kLink},
            {u"  Big "_qs, kTitle},
            {u"apple\n"_qs, kTitleRed},
            // A body that starts with the word begins with the red run.
            {u"apple\n\n"_qs, kBodyRed}};
        QCOMPARE(t.take(), expected);
    }

    void nullOrEmptyTitleEndsHeaderAfterTwoBlanks()
    {
        ListingText t;
        t.addTitle(u"260105"_qs, QString(), u"x"_qs, kTitleFont);
        t.addBody(QString(), u"x"_qs, kBodyFont);
        const QList<ListingRun> expected{
            {u"■26/01/05_"_qs, kLink}, {u"  \n"_qs, kTitle}, {u"\n\n"_qs, kBody}};
        QCOMPARE(t.take(), expected);
    }

    void highlightShowsTheTextsOwnCharacters_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("red");
        QTest::addColumn<QString>("after");
        QTest::newRow("other case")
            << u"An APPLE, an apple"_qs << u"apple"_qs << u"APPLE"_qs << u", an apple"_qs;
        QTest::newRow("full-width word")
            << u"Apple pie"_qs << u"ａｐｐｌｅ"_qs << u"Apple"_qs << u" pie"_qs;
        QTest::newRow("full-width text")
            << u"ＡＰＰＬＥ pie"_qs << u"apple"_qs << u"ＡＰＰＬＥ"_qs << u" pie"_qs;
        // Five half-width characters fold to four: the rest must not lose or repeat one.
        QTest::newRow("half-width kana")
            << u"新しいﾃﾞｨｽｸだ"_qs << u"ディスク"_qs << u"ﾃﾞｨｽｸ"_qs << u"だ"_qs;
        QTest::newRow("star stands for a run")
            << u"xabbbcx"_qs << u"a*c"_qs << u"abbbc"_qs << u"x"_qs;
        QTest::newRow("question mark is itself")
            << u"what now? what?"_qs << u"what?"_qs << u"what?"_qs << QString();
        QTest::newRow("one character after") << u"雪だ"_qs << u"雪"_qs << u"雪"_qs << u"だ"_qs;
        QTest::newRow("surrogate pair") << u"𠮷野家"_qs << u"𠮷"_qs << u"𠮷"_qs << u"野家"_qs;
    }
    void highlightShowsTheTextsOwnCharacters()
    {
        QFETCH(QString, body);
        QFETCH(QString, word);
        QFETCH(QString, red);
        QFETCH(QString, after);
        ListingText t;
        t.addBody(body, word, kBodyFont);
        const QList<ListingRun> runs = visible(t.take());
        QCOMPARE(redRuns(runs), QStringList{red});
        QString text;
        for (const ListingRun& r : runs)
            text += r.text;
        QCOMPARE(text, body); // nothing replaced, lost or repeated
        QCOMPARE(runs.last().text, after.isEmpty() ? red : after);
    }

    void wordOfOnlyStarsHighlightsNothing()
    {
        ListingText t;
        t.addBody(u"abc"_qs, u"**"_qs, kBodyFont);
        QCOMPARE(visible(t.take()), (QList<ListingRun>{{u"abc"_qs, kBody}}));
    }

    void linkKeyAtCaret_data()
    {
        // Two entries; a body holding "_" and another "■".
        const QString t = u"■26/01/05_  Trip\nbody_x ■1\n\n■26/01/04_  \nend"_qs;
        const int second = t.indexOf(u"■26/01/04"_qs);
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("key");
        QTest::newRow("just after the mark") << t << 1 << u"260105"_qs;
        QTest::newRow("inside the date") << t << 5 << u"260105"_qs;
        QTest::newRow("just before the end mark") << t << 9 << u"260105"_qs;
        QTest::newRow("just after the end mark") << t << 10 << u"260105"_qs;
        QTest::newRow("very beginning") << t << 0 << QString();
        QTest::newRow("in the title") << t << 13 << QString();
        QTest::newRow("before the next mark") << t << second << QString();
        QTest::newRow("second link") << t << second + 3 << u"260104"_qs;
        QTest::newRow("after the last end mark") << t << int(t.size()) << QString();
        QTest::newRow("caret past the end") << t << int(t.size()) + 5 << QString();
        QTest::newRow("not digits") << u"■2a/01/05_"_qs << 3 << QString();
        QTest::newRow("too short") << u"■26/01/5_"_qs << 3 << QString();
        QTest::newRow("no mark before") << u"260105_"_qs << 3 << u"260105"_qs;
        const QString far = QString(70000, u'x') + u"\n■99/12/31_  t"_qs;
        QTest::newRow("past 65,535") << far << 70004 << u"991231"_qs;
    }
    void linkKeyAtCaret()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QString, key);
        QCOMPARE(linkKeyAt(text, caret), key);
    }

    // ---- The window ----

    void actWdListsMatchingBodiesWithHighlights()
    {
        put(u"260106"_qs, u"apple only in title"_qs, u"pears"_qs);
        put(u"260105"_qs, u"Big Apple pie, apple"_qs, u"I ate an APPLE and apple again"_qs);
        put(u"260104"_qs, u"No match"_qs, u"green ａｐｐｌｅ"_qs);
        put(u"251230"_qs, u"Old"_qs, u"apple"_qs);
        QVERIFY(DbOpen());
        sbFnd::instance().ActWd(u"apple"_qs);
        sbFnd& w = shown();
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowTitle(), u"apple"_qs);
        QCOMPARE(w.vDoc->wholeText(), u"■26/01/05_  Big Apple pie, apple\n"
                                      u"I ate an APPLE and apple again\n\n"
                                      u"■26/01/04_  No match\n"
                                      u"green ａｐｐｌｅ\n\n"
                                      u"■25/12/30_  Old\n"
                                      u"apple\n\n"_qs);
        const QList<ListingRun> expected{
            {u"■26/01/05_"_qs, kLink},
            {u"  Big "_qs, kTitle},
            {u"Apple"_qs, kTitleRed},
            {u" pie, apple"_qs, kTitle},
            {u"I ate an "_qs, kBody},
            {u"APPLE"_qs, kBodyRed},
            {u" and apple again"_qs, kBodyAfter},
            {u"■26/01/04_"_qs, kLink},
            {u"  No match"_qs, kTitle},
            {u"green "_qs, kBody},
            {u"ａｐｐｌｅ"_qs, kBodyRed},
            {u"■25/12/30_"_qs, kLink},
            {u"  Old"_qs, kTitle},
            {u"apple"_qs, kBodyRed},
        };
        QCOMPARE(documentRuns(w.vDoc->document()), expected);
        // The listing shows its beginning.
        QCOMPARE(w.vDoc->textCursor().position(), 0);
    }

    void fullWidthWordFindsAndHighlightsHalfWidthText()
    {
        put(u"260105"_qs, u"x"_qs, u"I ate an Apple."_qs);
        QVERIFY(DbOpen());
        sbFnd::instance().ActWd(u"ＡＰＰＬＥ"_qs);
        sbFnd& w = shown();
        QCOMPARE(listedKeys(w.vDoc->wholeText()), QStringList{u"260105"_qs});
        QCOMPARE(redRuns(documentRuns(w.vDoc->document())), QStringList{u"Apple"_qs});
    }

    void noMatchGivesEmptyListingCaptionedAndShown()
    {
        put(u"260105"_qs, u"x"_qs, u"body"_qs);
        QVERIFY(DbOpen());
        sbFnd::instance().ActWd(u"absent"_qs);
        sbFnd& w = shown();
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowTitle(), u"absent"_qs);
        QCOMPARE(w.vDoc->wholeText(), QString());
        QVERIFY(fake->messages.isEmpty());
    }

    void actDateListsNewestFirstUpToKey()
    {
        put(u"260106"_qs, u"after"_qs, u"a"_qs);
        put(u"260105"_qs, u"on the day"_qs, u"b"_qs);
        put(u"251231"_qs, u"before"_qs, u"c"_qs);
        put(u"991231"_qs, u"last century"_qs, u"d"_qs);
        QVERIFY(DbOpen());
        sbFnd::instance().ActDate(u"最近の日記"_qs, u"260105"_qs);
        sbFnd& w = shown();
        QCOMPARE(w.windowTitle(), u"最近の日記"_qs);
        QCOMPARE(listedKeys(w.vDoc->wholeText()),
                 (QStringList{u"260105"_qs, u"251231"_qs, u"991231"_qs}));
        // No word: nothing red.
        QVERIFY(redRuns(documentRuns(w.vDoc->document())).isEmpty());
    }

    // A listing longer than a window shows its start, then the whole once on screen; a
    // listing shown meanwhile is never replaced by the one before.
    void longListingIsWholeOnceShownAndNeverOverANewerOne()
    {
        for (int day = 1; day <= 20; ++day)
            put(u"2601"_qs + QString::number(day).rightJustified(2, u'0'), u"t"_qs,
                QString(990, u'あ') + (day == 3 ? u"雨"_qs : u"晴"_qs));
        QVERIFY(DbOpen());
        sbFnd& w = sbFnd::instance();
        w.ActDate(u"最近の日記"_qs, u"260120"_qs);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_COMPARE(w.vDoc->document()->toRawText().count(u"■"_qs), 20);
        QCOMPARE(w.vDoc->textCursor().position(), 0);
        // Asked for before it is on screen, the text is whole at once.
        w.ActDate(u"最近の日記"_qs, u"260120"_qs);
        QCOMPARE(listedKeys(w.vDoc->wholeText()).size(), 20);
        // Not yet on screen, a long listing gives way to a new one for good.
        w.ActDate(u"最近の日記"_qs, u"260120"_qs);
        w.ActWd(u"雨"_qs);
        QTest::qWait(50);
        QCOMPARE(w.vDoc->document()->toRawText().count(u"■"_qs), 1);
        QCOMPARE(listedKeys(w.vDoc->wholeText()), QStringList{u"260103"_qs});
    }

    void actDateBeforeEveryKeyListsNothing()
    {
        put(u"260105"_qs, u"x"_qs, u"y"_qs);
        QVERIFY(DbOpen());
        sbFnd::instance().ActDate(u"去年の今頃"_qs, u"250105"_qs);
        sbFnd& w = shown();
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowTitle(), u"去年の今頃"_qs);
        QCOMPARE(w.vDoc->wholeText(), QString());
    }

    void nullTitleAndBodyListAsEmpty()
    {
        put(u"260105"_qs, QVariant(), QVariant());
        put(u"260104"_qs, QVariant(), u"body"_qs);
        QVERIFY(DbOpen());
        sbFnd::instance().ActDate(u"最近の日記"_qs, u"261231"_qs);
        sbFnd& w = shown();
        QCOMPARE(w.vDoc->wholeText(), u"■26/01/05_  \n\n\n■26/01/04_  \nbody\n\n"_qs);
    }

    void clickOnThirdDateOpensItsEntry_data()
    {
        QTest::addColumn<int>("offset"); // caret position inside the link
        QTest::newRow("after the mark") << 1;
        QTest::newRow("inside the date") << 5;
        QTest::newRow("after the end mark") << 10;
    }
    void clickOnThirdDateOpensItsEntry()
    {
        QFETCH(int, offset);
        for (int d = 1; d <= 5; ++d)
            put(u"26010"_qs + QString::number(d), u"day "_qs + QString::number(d),
                u"body "_qs + QString::number(d));
        QVERIFY(DbOpen());
        sbFnd::instance().ActDate(u"最近の日記"_qs, u"261231"_qs);
        sbFnd& w = shown();
        const QString listing = w.vDoc->wholeText();
        const int third = int(listing.indexOf(u"■26/01/03_"_qs));
        QVERIFY(third > 0);
        clickAt(w, third + offset);
        sbEdt* e = sbEdt::loaded();
        QVERIFY(e);
        QCOMPARE(e->sYmn, u"260103"_qs);
        QCOMPARE(e->windowTitle(), u"26/01/03 / day 3 の修正"_qs);
        QCOMPARE(e->uTxt->Text(), u"body 3"_qs);
        // The listing is left as it was.
        QCOMPARE(w.vDoc->wholeText(), listing);
        QCOMPARE(w.windowTitle(), u"最近の日記"_qs);
    }

    void clickOutsideDatesOpensNothing_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("offset"); // from the start of what is named
        QTest::newRow("very beginning") << u"■26/01/02_"_qs << 0;
        QTest::newRow("in the title") << u"Trip_1"_qs << 3;
        QTest::newRow("after the title's end mark") << u"Trip_1"_qs << 5;
        QTest::newRow("in the body") << u"walk_on"_qs << 2;
        QTest::newRow("body with a mark") << u"■26/01/01_ fake"_qs << 4;
        QTest::newRow("before the second mark") << u"■26/01/01_  "_qs << 0;
    }
    void clickOutsideDatesOpensNothing()
    {
        QFETCH(QString, where);
        QFETCH(int, offset);
        put(u"260102"_qs, u"Trip_1"_qs, u"walk_on ■26/01/01_ fake"_qs);
        put(u"260101"_qs, u"x"_qs, u"y"_qs);
        QVERIFY(DbOpen());
        sbFnd::instance().ActDate(u"最近の日記"_qs, u"261231"_qs);
        sbFnd& w = shown();
        const int at = int(w.vDoc->wholeText().indexOf(where));
        QVERIFY(at >= 0);
        clickAt(w, at + offset);
        QCOMPARE(w.vDoc->textCursor().position(), at + offset);
        QVERIFY(!sbEdt::loaded());
    }

    void rightClickPopsEditMenuAndOpensNothing()
    {
        put(u"260101"_qs, u"x"_qs, u"y"_qs);
        QVERIFY(DbOpen());
        sbFnd::instance().ActDate(u"最近の日記"_qs, u"261231"_qs);
        sbFnd& w = shown();
        clickAt(w, 3, Qt::RightButton);
        QVERIFY(w.mnJb.at(1)->isVisible());
        QVERIFY(!sbEdt::loaded());
        w.mnJb.at(1)->hide();
    }

    void lastLinkOfLongListingOpens()
    {
        // 51 entries of 2,000 characters: 50 are listed, far past 32,767 characters.
        for (int i = 0; i < 51; ++i) {
            const QString key = QDate(2025, 1, 1).addDays(i).toString(u"yyMMdd"_qs);
            put(key, u"t"_qs + key, QString(2000, QChar(u'あ' + i % 80)));
        }
        QVERIFY(DbOpen());
        sbFnd::instance().ActDate(u"最近の日記"_qs, u"261231"_qs);
        sbFnd& w = shown();
        const QString listing = w.vDoc->wholeText();
        const QStringList keys = listedKeys(listing);
        QCOMPARE(keys.size(), 50);
        QCOMPARE(keys.last(), u"250102"_qs);
        const int last = int(listing.lastIndexOf(u"■25/01/02_"_qs));
        QVERIFY(last > 65535);
        clickAt(w, last + 4);
        QVERIFY(sbEdt::loaded());
        QCOMPARE(sbEdt::loaded()->sYmn, u"250102"_qs);
    }

    void selectAllCopiesWholeListingKeepingSelection()
    {
        put(u"260102"_qs, u"第二"_qs, u"二行目\nの本文"_qs);
        put(u"260101"_qs, u"first"_qs, u"one"_qs);
        QVERIFY(DbOpen());
        sbFnd::instance().ActDate(u"最近の日記"_qs, u"261231"_qs);
        sbFnd& w = shown();
        const QString whole = u"■26/01/02_  第二\n二行目\nの本文\n\n■26/01/01_  first\none\n\n"_qs;
        select(w, 12, 14);
        QApplication::clipboard()->setText(u"sentinel"_qs);
        w.mnEdit.at(1)->trigger();
        QCOMPARE(QApplication::clipboard()->text(), whole);
        QCOMPARE(w.vDoc->textCursor().selectedText(), u"第二"_qs);

        // Through the keyboard too: Ctrl+A is the menu's, not the control's select-all.
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.vDoc->setFocus();
        QApplication::clipboard()->setText(u"sentinel"_qs);
        QTest::keyClick(w.vDoc, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), whole);
        QCOMPARE(w.vDoc->textCursor().selectedText(), u"第二"_qs);

        // "ｺﾋﾟｰ" by Ctrl+C copies the selection, line breaks as line feeds.
        select(w, 15, 21);
        QTest::keyClick(w.vDoc, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), u"二行目\nの本"_qs);
        // Without a selection the clipboard is emptied.
        select(w, 3, 3);
        w.mnEdit.at(0)->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QString());
    }

    void menuCaptionsAndShortcuts()
    {
        sbFnd& w = sbFnd::instance();
        QCOMPARE(w.mnJb.at(0)->title(), u"ﾌｧｲﾙ(&F)"_qs);
        QCOMPARE(w.mnJb.at(1)->title(), u"編集(&E)"_qs);
        QCOMPARE(w.mnFile.at(0)->text(), u"終了(&X)"_qs);
        QCOMPARE(w.mnEdit.at(0)->text(), u"ｺﾋﾟｰ"_qs);
        QCOMPARE(w.mnEdit.at(0)->shortcut(), QKeySequence(u"Ctrl+C"_qs));
        QCOMPARE(w.mnEdit.at(1)->text(), u"全て選択"_qs);
        QCOMPARE(w.mnEdit.at(1)->shortcut(), QKeySequence(u"Ctrl+A"_qs));
        QVERIFY(w.mnEdit.at(2)->isSeparator());
        QCOMPARE(w.mnEdit.at(3)->text(), u"検索"_qs);
        QVERIFY(w.mnEdit.at(3)->shortcut().isEmpty());
    }

    void searchCommandUsesSelectionWithoutAsking()
    {
        put(u"260102"_qs, u"x"_qs, u"雪が降った"_qs);
        put(u"260101"_qs, u"y"_qs, u"晴れ"_qs);
        QVERIFY(DbOpen());
        sbFnd::instance().ActDate(u"最近の日記"_qs, u"261231"_qs);
        sbFnd& w = shown();
        const int at = int(w.vDoc->wholeText().indexOf(u"雪"_qs));
        select(w, at, at + 1);
        w.MnuAct(u"検索"_qs);
        QVERIFY(fake->prompts.isEmpty());
        QCOMPARE(w.windowTitle(), u"雪"_qs);
        QCOMPARE(listedKeys(w.vDoc->wholeText()), QStringList{u"260102"_qs});
        QVERIFY(w.vDoc->isVisible());
    }

    void searchCommandAsksWithoutSelection()
    {
        put(u"260102"_qs, u"x"_qs, u"雪が降った"_qs);
        put(u"260101"_qs, u"y"_qs, u"晴れ"_qs);
        QVERIFY(DbOpen());
        sbFnd::instance().ActDate(u"最近の日記"_qs, u"261231"_qs);
        sbFnd& w = shown();
        const QString before = w.vDoc->wholeText();
        fake->promptAnswers = {QVariant(), QVariant(u""_qs), QVariant(u"晴れ"_qs)};
        w.mnEdit.at(3)->trigger(); // cancelled
        w.mnEdit.at(3)->trigger(); // empty answer
        QCOMPARE(w.windowTitle(), u"最近の日記"_qs);
        QCOMPARE(w.vDoc->wholeText(), before);
        w.mnEdit.at(3)->trigger();
        QCOMPARE(fake->prompts.size(), 3);
        for (const auto& p : fake->prompts) {
            QCOMPARE(p.text, u"検索文字を指定して下さい"_qs);
            QCOMPARE(p.title, QString());
            QCOMPARE(p.proposed, QString());
        }
        QCOMPARE(w.windowTitle(), u"晴れ"_qs);
        QCOMPARE(listedKeys(w.vDoc->wholeText()), QStringList{u"260101"_qs});
        QVERIFY(w.vDoc->isVisible());
    }

    void wordsWithSpecialCharactersMatchThemselves_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("apostrophe") << u"it's"_qs << QStringList{u"260110"_qs};
        QTest::newRow("lone apostrophe") << u"'"_qs << QStringList{u"260110"_qs};
        QTest::newRow("question mark") << u"what?"_qs << QStringList{u"260108"_qs};
        QTest::newRow("percent") << u"100%"_qs << QStringList{u"260106"_qs};
        QTest::newRow("underscore") << u"a_b"_qs << QStringList{u"260104"_qs};
        QTest::newRow("bracket") << u"[x]"_qs << QStringList{u"260102"_qs};
        QTest::newRow("hash") << u"#1"_qs << QStringList{u"251231"_qs};
        QTest::newRow("double quote") << u"\"q\""_qs << QStringList{u"251229"_qs};
        QTest::newRow("star") << u"a*b"_qs << QStringList{u"260104"_qs, u"260103"_qs};
    }
    void wordsWithSpecialCharactersMatchThemselves()
    {
        QFETCH(QString, word);
        QFETCH(QStringList, keys);
        const QList<std::pair<QString, QString>> entries{
            {u"260110"_qs, u"it's fine"_qs},    {u"260109"_qs, u"its fine"_qs},
            {u"260108"_qs, u"what? now"_qs},    {u"260107"_qs, u"what now"_qs},
            {u"260106"_qs, u"100% sure"_qs},    {u"260105"_qs, u"100 percent"_qs},
            {u"260104"_qs, u"a_b here"_qs},     {u"260103"_qs, u"axb here"_qs},
            {u"260102"_qs, u"[x] box"_qs},      {u"260101"_qs, u"x box"_qs},
            {u"251231"_qs, u"#1 spot"_qs},      {u"251230"_qs, u"1 spot"_qs},
            {u"251229"_qs, u"say \"q\" now"_qs}};
        for (const auto& [key, body] : entries)
            put(key, u"t"_qs, body);
        QVERIFY(DbOpen());
        sbFnd::instance().ActWd(word);
        sbFnd& w = shown();
        QVERIFY2(fake->messages.isEmpty(), qPrintable(fake->messages.join(u'\n')));
        QCOMPARE(w.windowTitle(), word);
        QCOMPARE(listedKeys(w.vDoc->wholeText()), keys);
        // Every listed body shows its red run.
        QCOMPARE(redRuns(documentRuns(w.vDoc->document())).size(), keys.size());
    }

    void captionWithQtModifiedMarkShowsLiterally()
    {
        QVERIFY(DbOpen());
        sbFnd::instance().ActWd(u"a[*]b"_qs);
        sbFnd& w = shown();
        QCOMPARE(w.windowHandle()->title(), u"a[*]b"_qs);
    }

    void loadPlacesOverEditorColumnAndSecondRequestKeepsPlace()
    {
        QVERIFY(DbOpen());
        sbFnd::instance().ActWd(u"a"_qs);
        sbFnd& w = shown();
        QCOMPARE(w.frameGeometry(), QRect(300, 30, 720, 760));
        w.move(10, 20);
        const QRect moved = w.frameGeometry();
        sbFnd::instance().ActDate(u"最近の日記"_qs, u"261231"_qs);
        QCOMPARE(&sbFnd::instance(), &w);
        QCOMPARE(w.frameGeometry(), moved);
    }

    void exitUnloadsAndNextRequestPlacesAgain()
    {
        QVERIFY(DbOpen());
        sbFnd::instance().ActWd(u"a"_qs);
        sbFnd& w = shown();
        w.move(10, 20);
        w.mnFile.at(0)->trigger();
        QVERIFY(!sbFnd::loaded());
        flushDeletes();
        sbFnd::instance().ActWd(u"b"_qs);
        QCOMPARE(shown().frameGeometry().topLeft(), QPoint(300, 30));
    }
};

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
