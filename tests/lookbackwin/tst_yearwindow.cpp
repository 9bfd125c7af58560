// The year at a glance: its keys, its click, the year buttons, the shading and the
// tooltip, over a diary of a few days and a main window that records what it is asked.

#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "FakeMainView.h"
#include "FiguresChart.h"
#include "FiguresWindow.h"
#include "SearchIndex.h"
#include "Store.h"
#include "YearView.h"
#include "YearWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
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
        [[maybe_unused]] const bool counted =
            QTest::qWaitFor([&] { return !w.countsPending(); }, 20000);
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

    // Without an index every body is counted on a thread of its own: both windows are up
    // at once, and the shading and the figures fill in when the counts arrive.
    void windowsShowAtOnceAndFillInWhenCounted()
    {
        DbClose();
        QFile blocker(fake->root.filePath(QStringLiteral("not-a-folder")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(blocker.fileName() + QStringLiteral("/cache")));
        QVERIFY(DbOpen());
        YearWindow& y = YearWindow::instance();
        y.ActYear(QDate(2026, 11, 3));
        QVERIFY(y.isVisible());
        QVERIFY(y.countsPending());
        QVERIFY(!y.vCounting->text().isEmpty());
        QCOMPARE(y.vYear->stepOf(QDate(2026, 11, 3)), 0);
        FiguresWindow& f = FiguresWindow::instance();
        f.ActFigures(2026);
        QVERIFY(f.isVisible());
        QVERIFY(f.countsPending());
        QTRY_VERIFY(!y.countsPending() && !f.countsPending());
        QCOMPARE(y.vYear->stepOf(QDate(2026, 11, 3)), 4);
        QVERIFY(y.vCounting->text().isEmpty());
        QCOMPARE(f.vYears->item(0, 1)->text(), QStringLiteral("402"));
    }

    // Shade, not hue, tells the steps apart in a dark palette too, and the frames stay
    // crisp at any scale factor (run once more at QT_SCALE_FACTOR=2 under Xvfb).
    void darkPaletteAndScale()
    {
        YearWindow& w = open(QDate(2026, 11, 3));
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(32, 32, 32));
        dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
        dark.setColor(QPalette::Base, QColor(20, 20, 20));
        dark.setColor(QPalette::Text, QColor(235, 235, 235));
        dark.setColor(QPalette::Highlight, QColor(50, 130, 240));
        w.setPalette(dark);
        w.vYear->clearFocus(); // no dotted focus frame over the probes
        const QImage img = w.vYear->grab().toImage();
        const double scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                                 ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
                                 : 1.0;
        QCOMPARE(img.devicePixelRatio(), scale);
        auto at = [&](const QPoint& p) { return QColor(img.pixel(p * scale)); };
        auto middle = [&](const QDate& d) { return at(w.vYear->dayRect(d).center()); };
        // Blank, the shortest and the longest entry grow lighter on a dark base.
        const int blank = middle(QDate(2026, 11, 5)).lightness();
        const int shortest = middle(QDate(2026, 11, 4)).lightness();
        const int longest = middle(QDate(2026, 11, 3)).lightness();
        QVERIFY2(blank + 20 < shortest && shortest + 40 < longest,
                 qPrintable(QStringLiteral("%1 %2 %3").arg(blank).arg(shortest).arg(longest)));
        // The shown day's frame: the highlight to its outermost device pixel, unblurred.
        const QRect shown = w.vYear->dayRect(QDate(2026, 11, 3));
        const QPoint edge(shown.left(), shown.center().y());
        QCOMPARE(QColor(img.pixel(edge * scale)), dark.color(QPalette::Highlight));
        QCOMPARE(QColor(img.pixel(edge * scale - QPoint(1, 0))), dark.color(QPalette::Window));
    }

    // The figures show the shown year's months and copy as text.
    void figuresCopyAsText()
    {
        FiguresWindow& w = FiguresWindow::instance();
        w.ActFigures(2026);
        QTRY_VERIFY(!w.countsPending());
        QCOMPARE(w.vYears->rowCount(), 3); // 2026, 2025, the whole diary
        QCOMPARE(w.vYears->item(0, 1)->text(), QStringLiteral("402"));
        QCOMPARE(w.vMonths->item(10, 0)->text(), QStringLiteral("2"));
        QTest::mouseClick(w.vCopy, Qt::LeftButton);
        QVERIFY(QApplication::clipboard()->text().contains(
            QStringLiteral("2026年11月\t2\t402\t6.7%\t2\n")));
    }

    // A diary of forty years keeps a row of the chart for each: the chart scrolls.
    void longDiarysChartScrolls()
    {
        DbClose();
        for (int y = 1987; y <= 2024; ++y)
            test::put(QDate(y, 1, 1).toString(QStringLiteral("yyMMdd")), QStringLiteral("t"),
                      QStringLiteral("元日"));
        QVERIFY(DbOpen());
        FiguresWindow& w = FiguresWindow::instance();
        w.ActFigures(2026);
        w.resize(980, 560);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_VERIFY(!w.countsPending());
        auto* scroll = qobject_cast<QScrollArea*>(w.vChart->parentWidget()->parentWidget());
        QVERIFY(scroll);
        QTRY_VERIFY(scroll->verticalScrollBar()->maximum() > 0);
        QVERIFY(w.vChart->height() >= 41 * (w.vChart->fontMetrics().height() + 6));
    }
};

QTEST_MAIN(TestYearWindow)
#include "tst_yearwindow.moc"
