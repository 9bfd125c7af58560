// The year at a glance: its keys, its click, the year buttons, the shading and the
// tooltip, over a diary of a few days and a main window that records what it is asked.

#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "FakeMainView.h"
#include "FiguresWindow.h"
#include "SearchIndex.h"
#include "Store.h"
#include "YearView.h"
#include "YearWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace drv;

class TestYearWindow : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;
    test::FakeMainView main;

    YearWindow& open(const QDate& shown)
    {
        YearWindow& w = YearWindow::instance();
        w.ActYear(shown);
        w.activateWindow();
        [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(&w);
        [[maybe_unused]] const bool focused =
            QTest::qWaitFor([&] { return w.vYear->hasFocus(); }, 2000);
        return w;
    }

private Q_SLOTS:
    void init()
    {
        fake = test::startDiary();
        main.shownDays.clear();
        setMainView(&main);
        test::put(QStringLiteral("261103"), QStringLiteral("文化の日の題"),
                  QString(400, QChar(u'長')));
        test::put(QStringLiteral("261104"), QStringLiteral("t"), QStringLiteral("短い"));
        test::put(QStringLiteral("251231"), QStringLiteral("t"), QStringLiteral("大晦日"));
        QVERIFY(DbOpen());
    }
    void cleanup()
    {
        YearWindow::closeIfOpen();
        FiguresWindow::closeIfOpen();
        setMainView(nullptr);
        test::endDiary(fake);
    }

    void keysMoveTheDayAndReturnShowsIt()
    {
        YearWindow& w = open(QDate(2026, 11, 3));
        QCOMPARE(w.vTitle->text(), QStringLiteral("2026年（令和8年）"));
        QTest::keyClick(w.vYear, Qt::Key_Right);
        QTest::keyClick(w.vYear, Qt::Key_Down);
        QCOMPARE(w.vYear->focusedDay(), QDate(2026, 12, 4));
        // Down from December goes on into the next year.
        QTest::keyClick(w.vYear, Qt::Key_Down);
        QCOMPARE(w.vYear->focusedDay(), QDate(2027, 1, 4));
        QCOMPARE(w.vTitle->text(), QStringLiteral("2027年（令和9年）"));
        QTest::keyClick(w.vYear, Qt::Key_PageUp);
        QTest::keyClick(w.vYear, Qt::Key_PageUp);
        QCOMPARE(w.vYear->focusedDay(), QDate(2025, 1, 4));
        QTest::keyClick(w.vYear, Qt::Key_Home);
        QCOMPARE(w.vYear->focusedDay(), QDate(2026, 12, 7));
        QTest::keyClick(w.vYear, Qt::Key_Return);
        QCOMPARE(main.shownDays, QList<QDate>{QDate(2026, 12, 7)});
    }

    void buttonsChangeTheYearAndAClickShowsTheDay()
    {
        YearWindow& w = open(QDate(2026, 11, 3));
        QTest::mouseClick(w.vPrev, Qt::LeftButton);
        QCOMPARE(w.vYear->year(), 2025);
        const QDate eve(2025, 12, 31);
        QCOMPARE(w.vYear->stepOf(eve), 4); // the only entry of its year is its longest
        QTest::mouseClick(w.vYear, Qt::LeftButton, {}, w.vYear->dayRect(eve).center());
        QCOMPARE(main.shownDays, QList<QDate>{eve});
        QTest::mouseClick(w.vNext, Qt::LeftButton);
        QCOMPARE(w.vYear->year(), 2026);
        // Shading follows the year's longest entry; a day without entry stays blank.
        QCOMPARE(w.vYear->stepOf(QDate(2026, 11, 3)), 4);
        QCOMPARE(w.vYear->stepOf(QDate(2026, 11, 4)), 1);
        QCOMPARE(w.vYear->stepOf(QDate(2026, 11, 5)), 0);
        // A click beside the days (31 November) shows nothing.
        const QRect last = w.vYear->dayRect(QDate(2026, 10, 31));
        QTest::mouseClick(w.vYear, Qt::LeftButton, {},
                          last.center() +
                              QPoint(0, w.vYear->dayRect(QDate(2026, 11, 1)).top() -
                                            w.vYear->dayRect(QDate(2026, 10, 1)).top()));
        QCOMPARE(main.shownDays.size(), 1);
    }

    void tooltipNamesTheDay()
    {
        YearWindow& w = open(QDate(2026, 11, 3));
        const QString tip = w.vYear->toolTipOf(QDate(2026, 11, 3));
        QCOMPARE(tip, QStringLiteral("令和8年11月3日(火)\n文化の日\n文化の日の題\n400 文字"));
        QCOMPARE(w.vYear->toolTipOf(QDate(2026, 11, 5)),
                 QStringLiteral("令和8年11月5日(木)\n記入なし"));
    }

    // The figures show the shown year's months and copy as text.
    void figuresCopyAsText()
    {
        FiguresWindow& w = FiguresWindow::instance();
        w.ActFigures(2026);
        QCOMPARE(w.vYears->rowCount(), 3); // 2026, 2025, the whole diary
        QCOMPARE(w.vYears->item(0, 1)->text(), QStringLiteral("402"));
        QCOMPARE(w.vMonths->item(10, 0)->text(), QStringLiteral("2"));
        QTest::mouseClick(w.vCopy, Qt::LeftButton);
        QVERIFY(QApplication::clipboard()->text().contains(
            QStringLiteral("2026年11月\t2\t402\t6.7%\t2\n")));
    }
};

QTEST_MAIN(TestYearWindow)
#include "tst_yearwindow.moc"
