// The main diary window driven through its own widgets, against a temporary data folder.

#include "Cp932.h"
#include "DateKey.h"
#include "DatePrompt.h"
#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "MainLayout.h"
#include "MainWindow.h"
#include "MonthCalendar.h"
#include "MonthListKeys.h"
#include "Program.h"
#include "Terminal.h"
#include "Twips.h"
#include "TypeText.h"
#include "YearView.h"
#include "YearWindow.h"
#include "fmTxt.h"
#include "sbEdt.h"
#include "sbFnd.h"
#include "uTxA.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>

using namespace drv;
using drv::test::put;
using drv::test::stored;
using drv::test::typeText;
using Entry = drv::test::StoredEntry;

namespace {

QString settingsText()
{
    QFile f(sUsrFld + QStringLiteral("User.xml"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return cp932Decode(f.readAll());
}

void writeSettings(const QString& text)
{
    QFile f(sUsrFld + QStringLiteral("User.xml"));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(cp932Encode(text));
}

QString group(const QString& name, const QString& items)
{
    return QStringLiteral("   <") + name + QStringLiteral(">\r\n") + items +
           QStringLiteral("   </") + name + QStringLiteral(">\r\n");
}

QString item(const QString& key, const QString& value)
{
    return QStringLiteral("      <") + key + u'>' + value + QStringLiteral("</") + key +
           QStringLiteral(">\r\n");
}

QString document(const QString& groups)
{
    return QStringLiteral("<?xml version='1.0' encoding='Shift-JIS' ?>\r\n<運用>\r\n") + groups +
           QStringLiteral("</運用>");
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;
    QPointer<fmTxt> w;

    // Starts the window as the program does, on the fake's data folder.
    void start()
    {
        w = test::openMainWindow();
        QVERIFY(w);
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }
    void stop()
    {
        if (w) {
            w->close();
            delete w;
        }
    }
    void clickDay(const QDate& date)
    {
        if (w->vCLn->dateRect(date).isEmpty()) w->vCLn->setSelectedDate(date);
        QTest::mouseClick(w->vCLn, Qt::LeftButton, {}, w->vCLn->dateRect(date).center());
        QCOMPARE(w->vCLn->selectedDate(), date);
    }
    void typeEntry(const QString& title, const QString& body)
    {
        w->vTTL->clear();
        typeText(w->vTTL, title);
        auto* edit = w->uTxt->findChild<QPlainTextEdit*>();
        edit->selectAll();
        if (body.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        else
            typeText(edit, body);
    }
    QStringList listRows() const
    {
        QStringList rows;
        for (int r = 0; r < w->vSpr->rowCount(); ++r)
            rows << w->vSpr->item(r, 0)->text() + u' ' + w->vSpr->item(r, 1)->text();
        return rows;
    }
    QAction* fileItem(int i) const { return w->mnFile.at(i); }

private Q_SLOTS:
    void init() { fake = test::startDiary(); }
    void cleanup()
    {
        stop();
        sbEdt::closeIfOpen();
        sbFnd::closeIfOpen();
        test::endDiary(fake);
    }

    void firstStartUsesDefaults()
    {
        start();
        QVERIFY(fake->messages.isEmpty());
        QCOMPARE(w->CurrentKey, QStringLiteral("261207"));
        QCOMPARE(w->windowTitle(), QStringLiteral("26/12/07"));
        QCOMPARE(w->vCLn->selectedDate(), QDate(2026, 12, 7));
        QCOMPARE(w->vCLn->monthColumns(), 2);
        QVERIFY(!w->mnCln[0]->isChecked() && w->mnCln[1]->isChecked() && !w->mnCln[2]->isChecked());
        const QRect g = w->outerTwips();
        QCOMPARE(g.topLeft(), QPoint(0, 0));
        QVERIFY2(qAbs(g.width() - 10000) <= 15 && qAbs(g.height() - 10000) <= 15,
                 qPrintable(QStringLiteral("%1x%2").arg(g.width()).arg(g.height())));
        QCOMPARE(w->FontPreset[0].name, QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(w->FontPreset[0].size, 10);
        QVERIFY(w->FontPreset[0].bold);
        QVERIFY(w->vTTL->font().bold());
        QCOMPARE(w->uTxt->FontSize(), 9);
        QVERIFY(!w->uTxt->FontBold());
        QVERIFY(!w->Modified);
        // An empty settings file exists from the start.
        QVERIFY(QFile::exists(sUsrFld + QStringLiteral("User.xml")));
    }

    // Run also with QT_SCALE_FACTOR=2: a screen of twice the density shows the stored
    // size at the same number of inches.
    void storedSizeKeepsItsPhysicalSize()
    {
        writeSettings(document(group(QStringLiteral("画面"),
                                     item(QStringLiteral("WIDTH"), QStringLiteral("14400")) +
                                         item(QStringLiteral("HEIGHT"), QStringLiteral("7200")))));
        start();
        const qreal dpr = w->devicePixelRatioF();
        const qreal screenDpi = w->screen()->logicalDotsPerInch() * dpr;
        QCOMPARE(qRound(w->frameGeometry().width() * dpr / screenDpi * 1440), 14400);
        QCOMPARE(qRound(w->frameGeometry().height() * dpr / screenDpi * 1440), 7200);
        QCOMPARE(w->outerTwips().size(), QSize(14400, 7200));
    }

    // The stored default face is a Windows font; here it must still draw Japanese.
    void defaultFontResolvesToAJapaneseFace()
    {
        installFontSubstitutes();
        start();
        const QString family = QFontInfo(w->vTTL->font()).family();
        QVERIFY2(family.contains(QStringLiteral("IPA")) || family.contains(QStringLiteral("CJK")) ||
                     family.contains(QStringLiteral("Gothic")),
                 qPrintable(family));
        QVERIFY(QFontMetrics(w->vTTL->font()).inFont(QChar(u'日')));
    }

    void saveNewEntryListsItAndMakesTheDayBold()
    {
        put(QStringLiteral("261220"), QStringLiteral("後の日"), QStringLiteral("b"));
        start();
        clickDay(QDate(2026, 12, 3));
        typeEntry(QStringLiteral("晴れ"), QStringLiteral("散歩に行った"));
        QVERIFY(w->Modified);
        QVERIFY(!w->vCLn->boldDays().contains(QDate(2026, 12, 3)));
        QTest::keyClick(w, Qt::Key_F5);
        QVERIFY(!w->Modified);
        QCOMPARE(stored().value(QStringLiteral("261203")),
                 (Entry{QStringLiteral("晴れ"), QStringLiteral("散歩に行った")}));
        QCOMPARE(listRows(),
                 (QStringList{QStringLiteral("26/12/03 晴れ"), QStringLiteral("26/12/20 後の日")}));
        QVERIFY(w->vCLn->boldDays().contains(QDate(2026, 12, 3)));
        // Saving again updates the same row.
        typeEntry(QStringLiteral("曇り"), QStringLiteral("家にいた"));
        fileItem(0)->trigger();
        QCOMPARE(stored().size(), 2);
        QCOMPARE(stored().value(QStringLiteral("261203")).title, QStringLiteral("曇り"));
        QCOMPARE(listRows().first(), QStringLiteral("26/12/03 曇り"));
        // Showing the day again selects its row.
        clickDay(QDate(2026, 12, 20));
        clickDay(QDate(2026, 12, 3));
        QCOMPARE(w->vSpr->currentRow(), 0);
    }

    void explicitSaveNeedsTitleAndBody()
    {
        start();
        typeEntry(QStringLiteral("題だけ"), QString());
        QTest::keyClick(w, Qt::Key_F5);
        QCOMPARE(fake->messages, QStringList{QStringLiteral("表題･本文が空です")});
        QVERIFY(stored().isEmpty());
        QVERIFY(w->Modified);
    }

    void quietSaveKeepsPartialEntries()
    {
        start();
        typeEntry(QStringLiteral("題だけ"), QString());
        clickDay(QDate(2026, 12, 8));
        QVERIFY(fake->messages.isEmpty());
        QCOMPARE(stored().value(QStringLiteral("261207")).title, QStringLiteral("題だけ"));
        // Nothing typed at all writes nothing.
        clickDay(QDate(2026, 12, 9));
        QCOMPARE(stored().size(), 1);
    }

    void editThenOtherDaySavesUnderOldDate()
    {
        put(QStringLiteral("261205"), QStringLiteral("old"), QStringLiteral("old body"));
        start();
        clickDay(QDate(2026, 12, 5));
        QCOMPARE(w->vTTL->text(), QStringLiteral("old"));
        QVERIFY(!w->Modified);
        typeEntry(QStringLiteral("new"), QStringLiteral("it's \"quoted\" text?"));
        clickDay(QDate(2027, 1, 10));
        QCOMPARE(w->windowTitle(), QStringLiteral("27/01/10"));
        QCOMPARE(stored().value(QStringLiteral("261205")),
                 (Entry{QStringLiteral("new"), QStringLiteral("it's \"quoted\" text?")}));
        QVERIFY(!stored().contains(QStringLiteral("270110")));
        QCOMPARE(w->vTTL->text(), QString());
        QCOMPARE(w->ListMonth, QStringLiteral("2701"));
        QCOMPARE(w->vSpr->rowCount(), 0);
    }

    void closeBoxSavesUnsavedEdits()
    {
        start();
        typeEntry(QStringLiteral("閉じる前"), QStringLiteral("本文"));
        w->close();
        QVERIFY(w.isNull() || !w->isVisible());
        QCOMPARE(stored().value(QStringLiteral("261207")).body, QStringLiteral("本文"));
        QVERIFY(settingsText().contains(QStringLiteral("<画面>")));
    }

    void exitCommandSavesAndCloses()
    {
        start();
        typeEntry(QStringLiteral("F9"), QStringLiteral("で終了"));
        QTest::keyClick(w, Qt::Key_F9);
        QVERIFY(w.isNull() || !w->isVisible());
        QCOMPARE(stored().value(QStringLiteral("261207")).title, QStringLiteral("F9"));
    }

    void deleteAsksAndUpdatesList()
    {
        put(QStringLiteral("261207"), QStringLiteral("a"), QStringLiteral("b"));
        put(QStringLiteral("261210"), QStringLiteral("c"), QStringLiteral("d"));
        start();
        fake->confirmAnswers = {false};
        fileItem(1)->trigger();
        QCOMPARE(fake->messages, QStringList{QStringLiteral("現在の文章を削除してよいですか")});
        QCOMPARE(stored().size(), 2);

        fake->confirmAnswers = {true};
        fileItem(1)->trigger();
        QCOMPARE(stored().keys(), QStringList{QStringLiteral("261210")});
        QCOMPARE(listRows(), QStringList{QStringLiteral("26/12/10 c")});
        QVERIFY(!w->Modified);

        // Nothing stored on the shown day.
        clickDay(QDate(2026, 12, 1));
        fake->messages.clear();
        fileItem(1)->trigger();
        QCOMPARE(fake->messages, QStringList{QStringLiteral("対象がありません")});
    }

    void deletingTheMonthsOnlyEntryLeavesAUsableWindow()
    {
        put(QStringLiteral("261207"), QStringLiteral("only"), QStringLiteral("one"));
        start();
        fake->confirmAnswers = {true};
        fileItem(1)->trigger();
        QVERIFY(stored().isEmpty());
        QCOMPARE(w->vSpr->rowCount(), 0);
        QCOMPARE(w->vTTL->text(), QString());
        QCOMPARE(w->CurrentKey, QStringLiteral("261207"));
        QVERIFY(!w->vCLn->boldDays().contains(QDate(2026, 12, 7)));
        typeEntry(QStringLiteral("again"), QStringLiteral("works"));
        QTest::keyClick(w, Qt::Key_F5);
        QCOMPARE(stored().size(), 1);
    }

    void moveEntry_data()
    {
        QTest::addColumn<QVariant>("answer"); // null: Cancel
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("free date, other month") << QVariant(QStringLiteral("2027/02/14"))
                                                << QString() << QStringList{"261210", "270214"};
        QTest::newRow("two-digit year, dashes")
            << QVariant(QStringLiteral("27-2-14")) << QString() << QStringList{"261210", "270214"};
        QTest::newRow("japanese form") << QVariant(QStringLiteral("2027年2月14日")) << QString()
                                       << QStringList{"261210", "270214"};
        QTest::newRow("taken date") << QVariant(QStringLiteral("2026/12/10"))
                                    << QStringLiteral("該当の日付には日記が記入済みです")
                                    << QStringList{"261207", "261210"};
        QTest::newRow("proposed answer") << QVariant(QStringLiteral("2026/12/07"))
                                         << QStringLiteral("該当の日付には日記が記入済みです")
                                         << QStringList{"261207", "261210"};
        QTest::newRow("cancel") << QVariant() << QStringLiteral("日付の指定が不正です")
                                << QStringList{"261207", "261210"};
        QTest::newRow("not a date")
            << QVariant(QStringLiteral("2027/02/30")) << QStringLiteral("日付の指定が不正です")
            << QStringList{"261207", "261210"};
    }
    void moveEntry()
    {
        QFETCH(QVariant, answer);
        QFETCH(QString, message);
        QFETCH(QStringList, keys);
        put(QStringLiteral("261207"), QStringLiteral("moving"), QStringLiteral("body"));
        put(QStringLiteral("261210"), QStringLiteral("stays"), QStringLiteral("body"));
        start();
        fake->promptAnswers = {answer};
        fileItem(3)->trigger();
        QCOMPARE(fake->prompts.size(), 1);
        QCOMPARE(fake->prompts[0].text, QStringLiteral("日付を指定して下さい"));
        QCOMPARE(fake->prompts[0].title, QStringLiteral("日付訂正"));
        QCOMPARE(fake->prompts[0].proposed, QStringLiteral("2026/12/07"));
        QCOMPARE(fake->messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(stored().keys(), keys);
        if (message.isEmpty()) {
            QCOMPARE(w->CurrentKey, QStringLiteral("270214"));
            QCOMPARE(w->vCLn->selectedDate(), QDate(2027, 2, 14));
            QCOMPARE(listRows(), QStringList{QStringLiteral("27/02/14 moving")});
            QCOMPARE(w->vSpr->currentRow(), 0);
            QCOMPARE(w->vTTL->text(), QStringLiteral("moving"));
        } else {
            QCOMPARE(w->CurrentKey, QStringLiteral("261207"));
        }
    }

    // An entry of the 1990s is proposed in its own century, which the prompt reads back.
    void moveProposesTheKeysCentury()
    {
        put(QStringLiteral("981205"), QStringLiteral("old"), QStringLiteral("body"));
        start();
        clickDay(QDate(1998, 12, 5));
        fake->promptAnswers = {QVariant(QStringLiteral("1998/12/05"))};
        fileItem(3)->trigger();
        QCOMPARE(fake->prompts.size(), 1);
        QCOMPARE(fake->prompts[0].proposed, QStringLiteral("1998/12/05"));
        QCOMPARE(fake->messages, QStringList{QStringLiteral("該当の日付には日記が記入済みです")});
    }

    void storedColumnCountIsRestored_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("columns");
        QTest::newRow("3") << "3" << 3;
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("7") << "7" << 1;
        QTest::newRow("letters") << "abc" << 1;
    }
    void storedColumnCountIsRestored()
    {
        QFETCH(QString, stored);
        QFETCH(int, columns);
        writeSettings(
            document(group(QStringLiteral("ｶﾚﾝﾀﾞｰ"), item(QStringLiteral("列数"), stored))));
        start();
        QCOMPARE(w->vCLn->monthColumns(), columns);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(w->mnCln[i]->isChecked(), i == columns - 1);
        QCOMPARE(w->vSpr->horizontalScrollBarPolicy(),
                 columns == 1 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    }

    void columnMenuStoresChoiceForNextStart()
    {
        start();
        const int narrow = w->vCLn->width();
        w->mnCln[2]->trigger();
        QCOMPARE(w->vCLn->monthColumns(), 3);
        QVERIFY(w->vCLn->width() > narrow);
        QCOMPARE(w->vTTL->x(), w->vCLn->width() + twipsToPixels(50, 96));
        stop();
        QVERIFY(settingsText().contains(QStringLiteral("<列数>3</列数>")));
        start();
        QCOMPARE(w->vCLn->monthColumns(), 3);
        QVERIFY(w->mnCln[2]->isChecked());
    }

    void layoutFollowsTheWindowUntilItIsTooLow()
    {
        start();
        w->resize(900, 700);
        QTRY_COMPARE(w->centralWidget()->width(), 900);
        const QWidget* c = w->centralWidget();
        QCOMPARE(w->vSpr->y(), w->vCLn->height());
        QCOMPARE(w->vSpr->y() + w->vSpr->height(), c->height());
        QCOMPARE(w->uTxt->x() + w->uTxt->width(), c->width());
        QCOMPARE(w->uTxt->y(), w->vTTL->height());
        const QRect before = w->uTxt->geometry();
        w->resize(900, w->vCLn->height());
        QTRY_VERIFY(w->centralWidget()->height() < w->vCLn->height());
        QCOMPARE(w->uTxt->geometry(), before);
        // Narrower than the calendar: the right column shrinks to nothing, no failure.
        w->resize(w->vCLn->width() / 2, 700);
        QTRY_COMPARE(w->uTxt->width(), 0);
    }

    void geometryIsStoredAndRestored()
    {
        start();
        w->setGeometry(120, 90, 700, 520);
        QTRY_COMPARE(w->geometry().size(), QSize(700, 520));
        const QRect before = w->outerTwips();
        stop();
        const QString text = settingsText();
        QVERIFY(text.contains(QStringLiteral("<LEFT>%1</LEFT>").arg(before.x())));
        QVERIFY(text.contains(QStringLiteral("<WIDTH>%1</WIDTH>").arg(before.width())));
        start();
        QCOMPARE(w->outerTwips(), before);
    }

    void placeOffEveryScreenComesBackIntoView()
    {
        writeSettings(document(group(QStringLiteral("画面"),
                                     item(QStringLiteral("LEFT"), QStringLiteral("9000000")) +
                                         item(QStringLiteral("TOP"), QStringLiteral("-9000000")))));
        start();
        QVERIFY(w->screen()->availableGeometry().intersects(w->frameGeometry()));
    }

    void enterInTitleMovesToBody()
    {
        start();
        w->vTTL->setFocus();
        typeText(w->vTTL, QStringLiteral("題"));
        QTest::keyClick(w->vTTL, Qt::Key_Return);
        QCOMPARE(w->vTTL->text(), QStringLiteral("題"));
        QTRY_VERIFY(w->uTxt->isAncestorOf(QApplication::focusWidget()));
    }

    void listClickShowsThatDay()
    {
        put(QStringLiteral("261202"), QStringLiteral("二日"), QStringLiteral("b2"));
        put(QStringLiteral("261228"), QStringLiteral("二十八日"), QStringLiteral("b28"));
        start();
        QCOMPARE(w->ListKeys, QStringLiteral("261202.261228."));
        const QRect cell = w->vSpr->visualItemRect(w->vSpr->item(1, 1));
        QTest::mouseClick(w->vSpr->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(w->vCLn->selectedDate(), QDate(2026, 12, 28));
        QCOMPARE(w->uTxt->Text(), QStringLiteral("b28"));
        // A click below the last row leaves everything as it was.
        QTest::mouseClick(w->vSpr->viewport(), Qt::LeftButton, {},
                          QPoint(5, w->vSpr->viewport()->height() - 3));
        QCOMPARE(w->CurrentKey, QStringLiteral("261228"));
    }

    void dateMenuJumps_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to"); // empty: nothing changes
        QTest::newRow("first stored day") << 0 << "261207"
                                          << "981010";
        QTest::newRow("last stored day") << 1 << "981010"
                                         << "261207";
        QTest::newRow("today") << 3 << "981010"
                               << "261207";
        QTest::newRow("a year back, no entry") << 4 << "261207"
                                               << "251207";
        QTest::newRow("two years back") << 5 << "261207"
                                        << "241207";
        QTest::newRow("29 February a year back") << 4 << "240229"
                                                 << "";
        QTest::newRow("before year 00") << 4 << "000105"
                                        << "";
    }
    void dateMenuJumps()
    {
        QFETCH(int, index);
        QFETCH(QString, from);
        QFETCH(QString, to);
        put(QStringLiteral("981010"), QStringLiteral("old"), QStringLiteral("nineties"));
        put(QStringLiteral("261207"), QStringLiteral("now"), QStringLiteral("today"));
        start();
        w->vCLn->setSelectedDate(DateKey::toDate(from, fake->date));
        w->FillMonthList(false);
        w->ShowEntry();
        w->mnDay[index]->trigger();
        QCOMPARE(w->CurrentKey, to.isEmpty() ? from : to);
        QCOMPARE(w->ListMonth, w->CurrentKey.left(4));
        QVERIFY(fake->messages.isEmpty());
    }

    void emptyDiaryFirstDayChangesNothing()
    {
        start();
        w->mnDay[0]->trigger();
        w->mnDay[1]->trigger();
        QCOMPARE(w->CurrentKey, QStringLiteral("261207"));
        QVERIFY(fake->messages.isEmpty());
    }

    void fontDialog()
    {
        start();
        w->mnFont[1]->trigger(); // cancelled: the same font again
        QCOMPARE(fake->fontPresets.size(), 1);
        QCOMPARE(fake->fontPresets[0].size, 9.0);
        QCOMPARE(w->uTxt->FontSize(), 9);
        fake->fontAnswers = {
            test::FakePlatform::FontChoice{QStringLiteral("IPAGothic"), 10.5, true}};
        w->mnFont[0]->trigger();
        QCOMPARE(w->FontPreset[0].size, 10);
        QVERIFY(w->vTTL->font().bold());
        stop();
        const QString text = settingsText();
        QVERIFY(text.contains(QStringLiteral("<表題Font>")));
        QVERIFY(text.contains(QStringLiteral("<FontName>IPAGothic</FontName>")));
        QVERIFY(text.contains(QStringLiteral("<FontSize>10</FontSize>")));
        start();
        QCOMPARE(w->FontPreset[0].name, QStringLiteral("IPAGothic"));
    }

    // The settings file is Shift-JIS: a font name it cannot hold is not stored (it would
    // come back as "??" at the next start); the previous font stays, with one message.
    void fontNameOutsideShiftJisKeepsThePreviousFont()
    {
        start();
        const FontSetting before = w->FontPreset[1];
        fake->fontAnswers = {test::FakePlatform::FontChoice{QStringLiteral("맑은 고딕"), 14, true}};
        w->mnFont[1]->trigger();
        QCOMPARE(fake->messages.size(), 1);
        QVERIFY(fake->messages[0].contains(QStringLiteral("맑은 고딕")));
        QCOMPARE(w->FontPreset[1].name, before.name);
        QCOMPARE(w->FontPreset[1].size, before.size);
        QCOMPARE(w->uTxt->FontSize(), before.size);
        stop();
        QVERIFY(!settingsText().contains(QStringLiteral("<FontSize>14</FontSize>")));
        QVERIFY(!settingsText().contains(QStringLiteral("<FontName>?")));
    }

    void searchTakesTheSelectionWithoutAsking()
    {
        put(QStringLiteral("261201"), QStringLiteral("散歩の日"), QStringLiteral("朝の散歩"));
        put(QStringLiteral("261207"), QStringLiteral("今日"), QStringLiteral("公園を散歩した"));
        start();
        auto* edit = w->uTxt->findChild<QPlainTextEdit*>();
        QTextCursor c = edit->textCursor();
        c.setPosition(3);
        c.setPosition(5, QTextCursor::KeepAnchor);
        edit->setTextCursor(c);
        QCOMPARE(w->uTxt->SelText(), QStringLiteral("散歩"));
        QTest::keyClick(w, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(fake->prompts.isEmpty());
        QVERIFY(sbFnd::loaded());
        QCOMPARE(sbFnd::loaded()->windowTitle(), QStringLiteral("散歩"));
        QVERIFY(sbFnd::loaded()->isVisible());
    }

    void searchPromptCancelledOpensNothing()
    {
        start();
        fake->promptAnswers = {QVariant()};
        QTest::keyClick(w, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(fake->prompts.size(), 1);
        QCOMPARE(fake->prompts[0].text, QStringLiteral("検索文字を指定して下さい"));
        QCOMPARE(fake->prompts[0].title, QString());
        QCOMPARE(fake->prompts[0].proposed, QString());
        QVERIFY(!sbFnd::loaded());
        // An empty answer is the same as Cancel.
        fake->promptAnswers = {QString()};
        w->mnList[0]->trigger();
        QVERIFY(!sbFnd::loaded());
    }

    // One and two years back lists from the date a year or two earlier, placed in the
    // century window: from 00/01/01 that is 99/01/01, not everything from 99/12/31 down.
    void listingMenusUseTheShownDay_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QDate>("shown");
        QTest::addColumn<QString>("firstKey");
        const QDate now(2026, 12, 7), y2k(2000, 1, 1);
        QTest::newRow("latest") << 2 << "最近の日記" << now << "261207";
        QTest::newRow("a year ago") << 3 << "去年の今頃" << now << "251201";
        QTest::newRow("two years ago") << 4 << "おととしの今頃" << now << "241207";
        QTest::newRow("latest from 2000") << 2 << "最近の日記" << y2k << "000101";
        QTest::newRow("a year ago from 2000") << 3 << "去年の今頃" << y2k << "990101";
        QTest::newRow("two years ago from 2000") << 4 << "おととしの今頃" << y2k << "980101";
        QTest::newRow("a year ago from a leap day")
            << 3 << "去年の今頃" << QDate(2000, 2, 29) << "990101";
        QTest::newRow("this day in every year, later years first")
            << 5 << "毎年のこの日" << QDate(2024, 12, 7) << "261207";
    }
    void listingMenusUseTheShownDay()
    {
        QFETCH(int, index);
        QFETCH(QString, caption);
        QFETCH(QDate, shown);
        QFETCH(QString, firstKey);
        for (const char* k : {"261207", "251201", "241207", "000101", "991231", "990301", "990101",
                              "981231", "980101"})
            put(QString::fromLatin1(k), QStringLiteral("題"), QStringLiteral("本文"));
        start();
        w->vCLn->setSelectedDate(shown);
        w->ShowEntry();
        w->mnList[index]->trigger();
        QVERIFY(sbFnd::loaded());
        QCOMPARE(sbFnd::loaded()->windowTitle(), caption);
        const QString text = sbFnd::loaded()->findChild<QTextEdit*>()->toPlainText();
        QVERIFY2(text.startsWith(QStringLiteral("■") + DateKey::display(firstKey)),
                 qPrintable(text.left(40)));
    }

    // The year at a glance opens on the shown day's year, a click there shows the day here,
    // a day picked here is framed there, and closing the main window closes it while the
    // store is open.
    void yearWindowShowsTheClickedDayHere()
    {
        put(QStringLiteral("260315"), QStringLiteral("三月"), QStringLiteral("本文"));
        start();
        w->mnList[7]->trigger();
        QVERIFY(YearWindow::loaded());
        YearView* view = YearWindow::loaded()->vYear;
        QCOMPARE(view->year(), 2026);
        QTest::mouseClick(view, Qt::LeftButton, {}, view->dayRect(QDate(2026, 3, 15)).center());
        QCOMPARE(w->CurrentKey, QStringLiteral("260315"));
        QCOMPARE(w->vTTL->text(), QStringLiteral("三月"));
        clickDay(QDate(2026, 3, 20));
        QCOMPARE(view->shownDay(), QDate(2026, 3, 20));
        clickDay(QDate(2027, 1, 10)); // into the next year: the year window follows
        QCOMPARE(view->shownDay(), QDate(2027, 1, 10));
        QCOMPARE(view->year(), 2027);
        stop();
        QVERIFY(!YearWindow::loaded());
    }

    // Days imported from a terminal while the window runs on the same diary: the bold days
    // of the calendar and the month's list follow without a click.
    void terminalImportShowsInTheRunningWindow()
    {
        put(QStringLiteral("261201"), QStringLiteral("題"), QStringLiteral("本文"));
        start();
        QCOMPARE(listRows().size(), 1);
        const QString in = fake->root.filePath(QStringLiteral("in.txt"));
        QFile f(in);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("■2026-12-02 二日\n本文\n■2026-12-05 五日\n本文\n");
        f.close();
        QProcess terminal;
        test::startInTerminal(terminal, fake->root.filePath(QStringLiteral("home")),
                              {QStringLiteral("--import"), in});
        QVERIFY(terminal.waitForFinished(30000));
        QVERIFY2(terminal.exitCode() == 0, terminal.readAllStandardError().constData());
        QTRY_VERIFY(w->vCLn->boldDays().contains(QDate(2026, 12, 5)));
        QVERIFY(w->vCLn->boldDays().contains(QDate(2026, 12, 2)));
        QCOMPARE(
            listRows(),
            (QStringList{DateKey::display(QStringLiteral("261201")) + QStringLiteral(" 題"),
                         DateKey::display(QStringLiteral("261202")) + QStringLiteral(" 二日"),
                         DateKey::display(QStringLiteral("261205")) + QStringLiteral(" 五日")}));
    }

    void editMenuFromTheEditorActsOnTheEditor()
    {
        put(QStringLiteral("261207"), QStringLiteral("t"), QStringLiteral("全部選ぶ"));
        start();
        auto* edit = w->uTxt->findChild<QPlainTextEdit*>();
        QTest::mousePress(edit->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        QTRY_COMPARE(QApplication::activePopupWidget(), w->menuAt(1));
        // Nothing typed yet: undo and redo are off.
        QVERIFY(!w->mnEdit[0]->isEnabled());
        w->mnEdit[6]->trigger();
        w->menuAt(1)->hide();
        QTest::mouseRelease(edit->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(edit->textCursor().selectedText(), QStringLiteral("全部選ぶ"));
        w->mnEdit[2]->trigger(); // ｺﾋﾟｰ
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("全部選ぶ"));
    }

    void correctionShowsInTheMainWindowWhenItHoldsNoChange()
    {
        put(QStringLiteral("261207"), QStringLiteral("t"), QStringLiteral("before"));
        start();
        w->entryCorrected(QStringLiteral("261207"), QStringLiteral("after"));
        QCOMPARE(w->uTxt->Text(), QStringLiteral("after"));
        QVERIFY(!w->Modified);
        typeEntry(QStringLiteral("t"), QStringLiteral("mine"));
        w->entryCorrected(QStringLiteral("261207"), QStringLiteral("theirs"));
        QCOMPARE(w->uTxt->Text(), QStringLiteral("mine"));
        w->entryCorrected(QStringLiteral("261208"), QStringLiteral("other day"));
        QCOMPARE(w->uTxt->Text(), QStringLiteral("mine"));
    }

    void shutdownClosesTheCorrectionWindowFirst()
    {
        put(QStringLiteral("261205"), QStringLiteral("t"), QStringLiteral("old"));
        start();
        sbEdt::instance().ActDc(QStringLiteral("261205"));
        auto* edit = sbEdt::loaded()->findChild<QPlainTextEdit*>();
        edit->selectAll();
        typeText(edit, QStringLiteral("corrected"));
        w->close();
        QVERIFY(!sbEdt::loaded() || !sbEdt::loaded()->isVisible());
        QCOMPARE(stored().value(QStringLiteral("261205")).body, QStringLiteral("corrected"));
    }

    void shiftYearAndListRows()
    {
        QCOMPARE(ShiftYear(QStringLiteral("261207"), -1), QStringLiteral("251207"));
        QCOMPARE(ShiftYear(QStringLiteral("011207"), -2), QStringLiteral("-11207"));
        QCOMPARE(rowOfKey(QStringLiteral("261201.261202."), QStringLiteral("261202")), 2);
        QCOMPARE(rowOfKey(QStringLiteral("261201.261202."), QStringLiteral("261203")), 0);
        QCOMPARE(parseDateAnswer(QStringLiteral("２０２７／２／１４"), fake->date),
                 QDate(2027, 2, 14));
        QCOMPARE(parseDateAnswer(QStringLiteral("98/1/2"), fake->date), QDate(1998, 1, 2));
        QCOMPARE(parseDateAnswer(QString(), fake->date), QDate());
        QCOMPARE(parseDateAnswer(QStringLiteral("2027/13/01"), fake->date), QDate());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwin.moc"
