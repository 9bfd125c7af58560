// The body editor: what reading the text keeps and drops, the edit actions by their exact
// names, fonts, layout against resizes, and the right button's menu update.

#include "BodyText.h"
#include "EditorGeometry.h"
#include "FakeMainView.h"
#include "FindDialog.h"
#include "Globals.h"
#include "MainView.h"
#include "Twips.h"
#include "TxAction.h"
#include "uTxA.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextOption>

#include <memory>
#include <optional>
#include <tuple>

using namespace drv;

Q_DECLARE_METATYPE(std::optional<drv::TxAction>)

namespace {

using RecordingMenu = test::FakeMainView;

QPlainTextEdit* widgetOf(uTxA& ed)
{
    return ed.findChild<QPlainTextEdit*>(QStringLiteral("mTxt"));
}

void typeAtEnd(QPlainTextEdit* m, const QString& keys)
{
    m->moveCursor(QTextCursor::End);
    QTest::keyClicks(m, keys);
}

// As an input method hands over what was composed.
void commitAtEnd(QPlainTextEdit* m, const QString& text)
{
    m->moveCursor(QTextCursor::End);
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(m, &event);
}

} // namespace

class TestEditor : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QWidget> host;
    uTxA* ed = nullptr;
    QPlainTextEdit* m = nullptr;

    // A shown host window with an editor in it, as the main window holds one.
    void makeEditor(bool running)
    {
        bRun = running;
        host = std::make_unique<QWidget>();
        host->resize(400, 300);
        ed = new uTxA(host.get());
        ed->setGeometry(0, 0, 300, 200);
        m = widgetOf(*ed);
        QVERIFY(m);
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host.get()));
    }

private Q_SLOTS:
    void init() { makeEditor(true); }
    void cleanup()
    {
        host.reset();
        setMainView(nullptr);
        bRun = false;
    }

    // ---- cleaning on read -------------------------------------------------------------

    void cleaningTrimsBlanksAndLineFeedsAtEnds_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("read");
        QTest::newRow("only blanks and line feeds") << u" \n\u3000\n  \n"_qs << QString();
        QTest::newRow("alternating at both ends") << u" \n\n word \n"_qs << u"word"_qs;
        QTest::newRow("line feed under blanks at start") << u"\u3000 \n\u3000\n a"_qs << u"a"_qs;
        QTest::newRow("ideographic spaces") << u"\u3000日記\u3000\n\u3000"_qs << u"日記"_qs;
        QTest::newRow("CR before final LF stays") << u"word\r\n"_qs << u"word\r"_qs;
        QTest::newRow("CR at start stays") << u"\r\nword"_qs << u"\r\nword"_qs;
        QTest::newRow("quotes kept everywhere") << u" It's \"ok\"' \n"_qs << u"It's \"ok\"'"_qs;
        QTest::newRow("inside untouched") << u"a \n\n b"_qs << u"a \n\n b"_qs;
        QTest::newRow("tab is no blank") << u"\tword\t\n"_qs << u"\tword\t"_qs;
        QTest::newRow("empty") << QString() << QString();
    }
    void cleaningTrimsBlanksAndLineFeedsAtEnds()
    {
        QFETCH(QString, raw);
        QFETCH(QString, read);
        QCOMPARE(cleanedText(raw), read);
    }

    void readingCleansButLeavesTheEditorAlone()
    {
        const QString raw = u" \n\nIt's \"q\" \n"_qs;
        ed->setText(raw);
        QCOMPARE(ed->Text(), u"It's \"q\""_qs);
        QCOMPARE(m->toPlainText(), raw);
    }

    // A body keeps the line ends it was loaded with, typed lines included.
    void lineEndsOfTheLoadedTextStay_data()
    {
        QTest::addColumn<QString>("loaded");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("read");
        QTest::newRow("CR LF") << u"a\r\nb"_qs << QString() << u"a\r\nb"_qs;
        QTest::newRow("CR LF, a line typed") << u"a\r\nb"_qs << u"\nc"_qs << u"a\r\nb\r\nc"_qs;
        QTest::newRow("CR LF at the end") << u"a\r\nb\r\n"_qs << QString() << u"a\r\nb\r"_qs;
        QTest::newRow("LF") << u"a\nb"_qs << u"\nc"_qs << u"a\nb\nc"_qs;
        QTest::newRow("new entry") << QString() << u"a\nb"_qs << u"a\nb"_qs;
    }
    void lineEndsOfTheLoadedTextStay()
    {
        QFETCH(QString, loaded);
        QFETCH(QString, typed);
        QFETCH(QString, read);
        ed->setText(u"x\r\ny"_qs); // the convention is the last load's, not an earlier one's
        ed->setText(loaded);
        m->moveCursor(QTextCursor::End);
        for (const QChar c : typed) {
            if (c == u'\n')
                QTest::keyClick(m, Qt::Key_Return);
            else
                QTest::keyClicks(m, QString(c));
        }
        QCOMPARE(ed->Text(), read);
    }

    void readingKeepsTypedCharacters()
    {
        // A no-break space stays itself, and a line break typed with Shift+Enter reads
        // as a line feed like any other.
        ed->setText(u"a\u00A0b"_qs);
        m->moveCursor(QTextCursor::End);
        QTest::keyClick(m, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(m, QStringLiteral("c"));
        QCOMPARE(ed->Text(), u"a\u00A0b\nc"_qs);
    }

    void selTextGivesSelectionWithLineFeeds()
    {
        ed->setText(u"ab\ncd "_qs);
        QCOMPARE(ed->SelText(), QString());
        m->selectAll();
        QCOMPARE(ed->SelText(), u"ab\ncd "_qs);
    }

    // ---- loading, "取消" and undo -----------------------------------------------------

    void restoreRightAfterOnEmptiesEditor()
    {
        ed->setText(QStringLiteral("earlier"));
        ed->cOn();
        typeAtEnd(m, QStringLiteral("X"));
        ed->txAct(QStringLiteral("取消"));
        QCOMPARE(m->toPlainText(), QString());
    }

    void restoreAfterLoadBringsBackLoadedText()
    {
        const QString loaded = u" It's \"q\"\n"_qs;
        ed->cOn();
        ed->setText(loaded);
        typeAtEnd(m, QStringLiteral("more"));
        ed->txAct(QStringLiteral("取消"));
        QCOMPARE(m->toPlainText(), loaded);
        QVERIFY(!m->document()->isUndoAvailable());
        typeAtEnd(m, QStringLiteral("again"));
        ed->txAct(QStringLiteral("取消"));
        QCOMPARE(m->toPlainText(), loaded);
    }

    void nothingToUndoPastALoad()
    {
        ed->setText(QStringLiteral("first"));
        typeAtEnd(m, QStringLiteral("X"));
        ed->setText(QStringLiteral("second"));
        ed->txAct(QStringLiteral("元に戻す"));
        QCOMPARE(m->toPlainText(), QStringLiteral("second"));
    }

    void writingEmptyTextEmptiesEditorAndOriginal()
    {
        ed->setText(QStringLiteral("abc"));
        ed->setText(QString());
        QCOMPARE(m->toPlainText(), QString());
        typeAtEnd(m, QStringLiteral("X"));
        ed->txAct(QStringLiteral("取消"));
        QCOMPARE(m->toPlainText(), QString());
    }

    void undoAndRedoByName()
    {
        ed->setText(QStringLiteral("base"));
        typeAtEnd(m, QStringLiteral("XY"));
        ed->txAct(QStringLiteral("元に戻す"));
        QCOMPARE(m->toPlainText(), QStringLiteral("base"));
        ed->txAct(QStringLiteral("やり直し"));
        QCOMPARE(m->toPlainText(), QStringLiteral("baseXY"));
    }

    // ---- actions by exact name --------------------------------------------------------

    void actionNamesCompareExactly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::optional<TxAction>>("action");
        const std::optional<TxAction> none;
        QTest::newRow("取消") << u"取消"_qs << std::optional(TxAction::Restore);
        QTest::newRow("元に戻す") << u"元に戻す"_qs << std::optional(TxAction::Undo);
        QTest::newRow("やり直し") << u"やり直し"_qs << std::optional(TxAction::Redo);
        QTest::newRow("切り取り") << u"切り取り"_qs << std::optional(TxAction::Cut);
        QTest::newRow("ｺﾋﾟｰ") << u"ｺﾋﾟｰ"_qs << std::optional(TxAction::Copy);
        QTest::newRow("貼り付け") << u"貼り付け"_qs << std::optional(TxAction::Paste);
        QTest::newRow("全てｺﾋﾟｰ") << u"全てｺﾋﾟｰ"_qs << std::optional(TxAction::CopyAll);
        QTest::newRow("全て選択") << u"全て選択"_qs << std::optional(TxAction::SelectAll);
        QTest::newRow("検索") << u"検索"_qs << std::optional(TxAction::Find);
        QTest::newRow("caption with access key") << u"検索(&F)"_qs << none;
        QTest::newRow("full-width katakana") << u"コピー"_qs << none;
        QTest::newRow("copy all in full width") << u"全てコピー"_qs << none;
        QTest::newRow("trailing blank") << u"取消 "_qs << none;
        QTest::newRow("hiragana for kanji") << u"全てせんたく"_qs << none;
        QTest::newRow("empty") << QString() << none;
    }
    void actionNamesCompareExactly()
    {
        QFETCH(QString, name);
        QFETCH(std::optional<TxAction>, action);
        QCOMPARE(txActionFor(name), action);
    }

    void inexactNamesDoNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("検索(&F)") << u"検索(&F)"_qs;
        QTest::newRow("full-width コピー") << u"コピー"_qs;
        QTest::newRow("full-width 全てコピー") << u"全てコピー"_qs;
        QTest::newRow("元に戻す(&Z)") << u"元に戻す(&Z)"_qs;
        QTest::newRow("取消 with blank") << u"取消 "_qs;
    }
    void inexactNamesDoNothing()
    {
        QFETCH(QString, name);
        ed->setText(QStringLiteral("abc def"));
        typeAtEnd(m, QStringLiteral("X"));
        m->selectAll();
        QApplication::clipboard()->setText(QStringLiteral("sentinel"));

        ed->txAct(name);

        QCOMPARE(m->toPlainText(), QStringLiteral("abc defX"));
        QCOMPARE(m->textCursor().selectedText(), QStringLiteral("abc defX"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("sentinel"));
        QVERIFY(m->document()->isUndoAvailable());
        QVERIFY(!ed->findChild<FindDialog*>());
    }

    void clipboardActions()
    {
        ed->setText(QStringLiteral("alpha beta"));
        ed->txAct(QStringLiteral("全て選択"));
        ed->txAct(QStringLiteral("ｺﾋﾟｰ"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("alpha beta"));
        ed->txAct(QStringLiteral("切り取り"));
        QCOMPARE(m->toPlainText(), QString());
        ed->txAct(QStringLiteral("貼り付け"));
        ed->txAct(QStringLiteral("貼り付け"));
        QCOMPARE(m->toPlainText(), QStringLiteral("alpha betaalpha beta"));
    }

    void copyAllPutsRawTextOnClipboard()
    {
        ed->setText(u" It's \"q\"\n"_qs);
        ed->txAct(u"全てｺﾋﾟｰ"_qs);
        QCOMPARE(QApplication::clipboard()->text(), u" It's \"q\"\n"_qs);
        QCOMPARE(ed->Text(), u"It's \"q\""_qs);
        QVERIFY(!m->textCursor().hasSelection());
    }

    void findDialogFindsNextIgnoringCaseAndWraps()
    {
        ed->setText(QStringLiteral("Alpha beta ALPHA"));
        ed->txAct(QStringLiteral("検索"));
        auto* dialog = ed->findChild<FindDialog*>(QStringLiteral("findDialog"));
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->isModal());
        auto* word = dialog->findChild<QLineEdit*>(QStringLiteral("findWord"));
        auto* next = dialog->findChild<QPushButton*>(QStringLiteral("findNext"));
        auto* status = dialog->findChild<QLabel*>(QStringLiteral("findStatus"));
        QVERIFY(word && next && status);
        QCOMPARE(next->text(), u"次を検索"_qs);

        word->setText(QStringLiteral("alpha"));
        QTest::mouseClick(next, Qt::LeftButton);
        QCOMPARE(m->textCursor().selectionStart(), 0);
        QCOMPARE(m->textCursor().selectedText(), QStringLiteral("Alpha"));
        QTest::mouseClick(next, Qt::LeftButton);
        QCOMPARE(m->textCursor().selectionStart(), 11);
        QTest::mouseClick(next, Qt::LeftButton);
        QCOMPARE(m->textCursor().selectionStart(), 0);
        QVERIFY(status->text().isEmpty());

        word->setText(QStringLiteral("gamma"));
        QTest::mouseClick(next, Qt::LeftButton);
        QCOMPARE(m->textCursor().selectedText(), QStringLiteral("Alpha"));
        QVERIFY(!status->text().isEmpty());
    }

    void findTakesSelectedWord()
    {
        ed->setText(QStringLiteral("Alpha beta"));
        QVERIFY(m->find(QStringLiteral("beta")));
        ed->txAct(QStringLiteral("検索"));
        auto* word = ed->findChild<QLineEdit*>(QStringLiteral("findWord"));
        QVERIFY(word);
        QCOMPARE(word->text(), QStringLiteral("beta"));
    }

    // ---- fonts and control characters -------------------------------------------------

    void fontPropertiesHoldAcrossLoads()
    {
        ed->setFontName(QStringLiteral("DejaVu Serif"));
        ed->setFontSize(14);
        ed->setFontBold(true);
        ed->setText(QStringLiteral("next entry"));
        QCOMPARE(ed->FontName(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(ed->FontSize(), 14);
        QVERIFY(ed->FontBold());
        QCOMPARE(m->font().pointSize(), 14);
        QVERIFY(m->font().bold());
        ed->setFontBold(false);
        QVERIFY(!ed->FontBold());
        QCOMPARE(ed->FontSize(), 14);
    }

    void fontSizeReadsRoundedHalfToEven_data()
    {
        QTest::addColumn<double>("points");
        QTest::addColumn<int>("read");
        QTest::newRow("10.5") << 10.5 << 10;
        QTest::newRow("11.5") << 11.5 << 12;
        QTest::newRow("9.5") << 9.5 << 10;
        QTest::newRow("10.4") << 10.4 << 10;
        QTest::newRow("10.6") << 10.6 << 11;
        QTest::newRow("12") << 12.0 << 12;
    }
    void fontSizeReadsRoundedHalfToEven()
    {
        QFETCH(double, points);
        QFETCH(int, read);
        QCOMPARE(roundHalfEven(points), read);
        QFont f = m->font();
        f.setPointSizeF(points);
        m->setFont(f);
        QCOMPARE(ed->FontSize(), read);
    }

    void controlCharsShowAndHide()
    {
        const QTextOption::Flags marks =
            QTextOption::ShowTabsAndSpaces | QTextOption::ShowLineAndParagraphSeparators;
        ed->setControlChars(true);
        ed->setText(u"a\tb \nc"_qs);
        QCOMPARE(m->document()->defaultTextOption().flags() & marks, marks);
        ed->setControlChars(false);
        QCOMPARE(m->document()->defaultTextOption().flags() & marks, QTextOption::Flags());
    }

    // ---- shaping ----------------------------------------------------------------------

    void shapingIsNeededOnlyWhereItChangesTheLook_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("needed");
        QTest::newRow("kana, kanji, ASCII, full width")
            << u"今日は散歩、ｶﾀｶﾅ カタカナ ABC 123 ＡＢＣ。\n\t「」…〜ー"_qs << false;
        QTest::newRow("Latin-1, Greek, Cyrillic") << u"café αβγ жизнь"_qs << false;
        QTest::newRow("a lone emoji") << u"晴れ😀"_qs << false;
        // Not text anyone typed: left to the shaper, which copes with anything.
        QTest::newRow("a surrogate half") << u"晴れ\xD83D"_qs << true;
        QTest::newRow("combining sound mark") << u"か\u3099"_qs << true;
        QTest::newRow("combining accent") << u"e\u0301"_qs << true;
        QTest::newRow("ideographic variation selector") << u"葛\U000E0100"_qs << true;
        QTest::newRow("emoji joined by ZWJ") << u"👨\u200D👩\u200D👧"_qs << true;
        QTest::newRow("emoji presentation selector") << u"❤\uFE0F"_qs << true;
        QTest::newRow("flag") << u"🇯🇵"_qs << true;
        QTest::newRow("skin tone") << u"👍🏽"_qs << true;
        QTest::newRow("hangul") << u"한글"_qs << true;
        QTest::newRow("arabic") << u"مرحبا"_qs << true;
        QTest::newRow("hebrew") << u"שלום"_qs << true;
        QTest::newRow("thai") << u"ไทย"_qs << true;
    }
    void shapingIsNeededOnlyWhereItChangesTheLook()
    {
        QFETCH(QString, text);
        QFETCH(bool, needed);
        QCOMPARE(needsShaping(text), needed);
        // Anywhere in a long text, as the first or the last character.
        const QString plain(5000, QChar(0x3042));
        QCOMPARE(needsShaping(plain + text), needed);
        QCOMPARE(needsShaping(text + plain), needed);
    }

    void shapingFollowsLoadsAndTyping()
    {
        auto shaped = [this] { return !(m->font().styleStrategy() & QFont::PreferNoShaping); };
        ed->setFontSize(13);
        ed->setText(u"晴れ。公園を散歩した。"_qs);
        QVERIFY(!shaped());
        commitAtEnd(m, u"夕方"_qs);
        QCoreApplication::processEvents();
        QVERIFY(!shaped());
        // A combining mark typed into plain text turns shaping on and keeps the text.
        commitAtEnd(m, u"か\u3099"_qs);
        QTRY_VERIFY(shaped());
        QCOMPARE(ed->Text(), u"晴れ。公園を散歩した。夕方か\u3099"_qs);
        QCOMPARE(ed->FontSize(), 13);
        // The next plain load goes back; a load that needs shaping has it at once.
        ed->setText(u"次の日"_qs);
        QVERIFY(!shaped());
        ed->setText(u"家族👨\u200D👩\u200D👧"_qs);
        QVERIFY(shaped());
        QCOMPARE(ed->FontSize(), 13);
    }

    // A load scrolls and repaints just as the widget's own load does, after
    // a longer text scrolled to its end and after a text that needed no scrolling.
    void loadFitsScrollRangeAndRepaints()
    {
        auto lines = [](int n, const QString& word) {
            QStringList l;
            for (int i = 0; i < n; ++i)
                l << QStringLiteral("%1行目、%2。").arg(i).arg(word).repeated(1 + i % 4);
            return l.join(u'\n');
        };
        QScrollBar* bar = m->verticalScrollBar();
        for (const QString& before : {lines(200, u"散歩"_qs), u"短い"_qs}) {
            ed->setText(before);
            QCoreApplication::processEvents();
            bar->setValue(bar->maximum());
            // The second one is shaped, so each load also switches the shaping.
            for (const QString& text :
                 {lines(120, u"雨"_qs), lines(90, u"か\u3099"_qs), u"一行"_qs}) {
                // Both views, at the top and scrolled to the end (the range itself is an
                // estimate that grows as lines are laid out, in either).
                auto views = [&] {
                    QCoreApplication::processEvents();
                    const int top = bar->value();
                    const QImage first = m->viewport()->grab().toImage();
                    bar->setValue(bar->maximum());
                    QCoreApplication::processEvents();
                    return std::tuple(top, first, m->viewport()->grab().toImage());
                };
                ed->setText(text);
                const auto loaded = views();
                m->setPlainText(text);
                QCOMPARE(loaded, views());
                QCOMPARE(std::get<0>(loaded), 0);
            }
        }
    }

    // Only Latin letter pairs lose their kerning unshaped, as in a classic edit control.
    void japaneseTextLooksTheSameUnshaped()
    {
        const QString text =
            u"今日は晴れ。朝7時に起きて、公園を散歩した。\nカタカナ、ｶﾀｶﾅ、ＡＢＣ、12/07。"_qs;
        ed->setText(text);
        QFont f = m->font();
        f.setStyleStrategy(QFont::PreferNoShaping);
        m->setFont(f);
        const QImage unshaped = m->viewport()->grab().toImage();
        f.setStyleStrategy(QFont::PreferDefault);
        m->setFont(f);
        const QImage shaped = m->viewport()->grab().toImage();
        QVERIFY(!shaped.isNull());
        QCOMPARE(unshaped, shaped);
    }

    // ---- layout -----------------------------------------------------------------------

    void twipsConvertWithScreenResolution_data()
    {
        QTest::addColumn<int>("twips");
        QTest::addColumn<double>("dpi");
        QTest::addColumn<int>("pixels");
        QTest::newRow("one pixel at 96") << 15 << 96.0 << 1;
        QTest::newRow("inch at 96") << 1440 << 96.0 << 96;
        QTest::newRow("inch at 144") << 1440 << 144.0 << 144;
        QTest::newRow("top margin at 96 rounds") << 100 << 96.0 << 7;
        QTest::newRow("zero") << 0 << 120.0 << 0;
    }
    void twipsConvertWithScreenResolution()
    {
        QFETCH(int, twips);
        QFETCH(double, dpi);
        QFETCH(int, pixels);
        QCOMPARE(twipsToPixels(twips, dpi), pixels);
        if (twips % 15 == 0 && dpi == 96.0) QCOMPARE(pixelsToTwips(pixels, dpi), twips);
    }

    void editorSitsInsideMargins_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<double>("dpi");
        QTest::addColumn<QRect>("placed");
        // 300 x 200 px at 96 dpi is 4500 x 3000 twips: 4400 x 2850 inside the margins.
        QTest::newRow("96 dpi") << QSize(300, 200) << 96.0 << QRect(4, 7, 293, 190);
        QTest::newRow("192 dpi") << QSize(600, 400) << 192.0 << QRect(8, 13, 587, 380);
        QTest::newRow("smaller than margins") << QSize(5, 8) << 96.0 << QRect(4, 7, 0, 0);
    }
    void editorSitsInsideMargins()
    {
        QFETCH(QSize, client);
        QFETCH(double, dpi);
        QFETCH(QRect, placed);
        QCOMPARE(editorGeometry(client, dpi, dpi), placed);
    }

    void resizeLaysOutOnlyAfterFirstStSizeAndWhileAuto_data()
    {
        QTest::addColumn<bool>("running");
        QTest::newRow("running: wait for the host") << true;
        QTest::newRow("not running: no wait") << false;
    }
    void resizeLaysOutOnlyAfterFirstStSizeAndWhileAuto()
    {
        QFETCH(bool, running);
        makeEditor(running);
        const auto placed = [this](int w, int h) {
            return editorGeometry(QSize(w, h), ed->logicalDpiX(), ed->logicalDpiY());
        };
        const QRect start = m->geometry();
        QVERIFY(start != placed(320, 220));

        ed->resize(310, 210); // automatic layout still off
        QCOMPARE(m->geometry(), start);
        ed->cOn();
        ed->resize(320, 220);
        QCOMPARE(m->geometry(), running ? start : placed(320, 220));
        ed->StSize();
        QCOMPARE(m->geometry(), placed(320, 220));
        ed->resize(250, 180);
        QCOMPARE(m->geometry(), placed(250, 180));
        ed->cOff();
        ed->resize(280, 190);
        QCOMPARE(m->geometry(), placed(250, 180));
        ed->StSize();
        QCOMPARE(m->geometry(), placed(280, 190));
    }

    // ---- events -----------------------------------------------------------------------

    void typingRaisesChange()
    {
        ed->setText(QStringLiteral("x"));
        QSignalSpy changes(ed, &uTxA::eChng);
        QSignalSpy pops(ed, &uTxA::ePop);
        typeAtEnd(m, QStringLiteral("abc"));
        QCOMPARE(changes.count(), 3);
        QTest::keyClick(m, Qt::Key_Backspace);
        QCOMPARE(changes.count(), 4);
        QCOMPARE(pops.count(), 0);
    }

    void rightButtonUpdatesMenuThenRaisesPop_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("undoFirst");
        QTest::addColumn<bool>("undo");
        QTest::addColumn<bool>("redo");
        QTest::newRow("fresh load") << QString() << false << false << false;
        QTest::newRow("after typing") << u"abc"_qs << false << true << false;
        QTest::newRow("after undoing") << u"abc"_qs << true << false << true;
    }
    void rightButtonUpdatesMenuThenRaisesPop()
    {
        QFETCH(QString, typed);
        QFETCH(bool, undoFirst);
        QFETCH(bool, undo);
        QFETCH(bool, redo);
        RecordingMenu menu;
        setMainView(&menu);
        ed->setText(QStringLiteral("loaded"));
        if (!typed.isEmpty()) typeAtEnd(m, typed);
        if (undoFirst) ed->txAct(QStringLiteral("元に戻す"));

        qsizetype updatesBeforePop = -1;
        connect(ed, &uTxA::ePop, this, [&] { updatesBeforePop = menu.calls.size(); });
        QSignalSpy pops(ed, &uTxA::ePop);

        QTest::mouseClick(m->viewport(), Qt::LeftButton);
        QCOMPARE(pops.count(), 0);
        QVERIFY(menu.calls.isEmpty());

        QTest::mouseClick(m->viewport(), Qt::RightButton);
        QCOMPARE(pops.count(), 1);
        QCOMPARE(menu.calls.size(), 1);
        QCOMPARE(updatesBeforePop, 1);
        QCOMPARE(menu.calls.first().undo, undo);
        QCOMPARE(menu.calls.first().redo, redo);
    }

    void rightButtonWithoutMainWindowStillRaisesPop()
    {
        QSignalSpy pops(ed, &uTxA::ePop);
        QTest::mouseClick(m->viewport(), Qt::RightButton);
        QCOMPARE(pops.count(), 1);
    }

    void widgetsOwnContextMenuNeverShows()
    {
        host->setContextMenuPolicy(Qt::CustomContextMenu);
        QSignalSpy hostMenu(host.get(), &QWidget::customContextMenuRequested);
        const QPoint at(10, 10);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, m->viewport()->mapToGlobal(at));
        QApplication::sendEvent(m->viewport(), &event);
        QVERIFY(!QApplication::activePopupWidget());
        QCOMPARE(hostMenu.count(), 0);
    }

    void focusIsReported()
    {
        auto* other = new QLineEdit(host.get());
        other->show();
        QApplication::setActiveWindow(host.get());
        QVERIFY(QTest::qWaitForWindowActive(host.get()));
        other->setFocus();
        QVERIFY(other->hasFocus());
        QSignalSpy focus(ed, &uTxA::gotFocus);
        ed->setFocus();
        QVERIFY(m->hasFocus());
        QCOMPARE(focus.count(), 1);
    }
};

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
