// The status line under the editor: it names the shown day after every way of changing
// it, counts the body and the selection as the user types and selects, and tells how far
// the search index's building has come.

#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "EntryStatusBar.h"
#include "FakePlatform.h"
#include "IndexProgress.h"
#include "MainWindow.h"
#include "MonthCalendar.h"
#include "Store.h"
#include "fmTxt.h"
#include "sbEdt.h"
#include "uTxA.h"

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSemaphore>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QTextCursor>
#include <QThread>
#include <QToolButton>

#include <atomic>

using namespace drv;
using drv::test::put;

namespace {

// How the row changes the shown day.
enum class Path { Click, Keys, MonthButton, DateMenu, ListRow, Move, RefusedMove, Correction };

} // namespace

class TestStatus : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;
    QPointer<fmTxt> w;

    QString dayText() const { return w->findChild<QLabel*>(QStringLiteral("stDate"))->text(); }
    QString countText() const { return w->findChild<QLabel*>(QStringLiteral("stCount"))->text(); }
    QPlainTextEdit* body() const { return w->uTxt->findChild<QPlainTextEdit*>(); }

private Q_SLOTS:
    void init()
    {
        fake = test::startDiary();
        fake->date = QDate(2026, 11, 20);
        put(QStringLiteral("261103"), QStringLiteral("文化の日"),
            QStringLiteral("菊の展示を見た。"));
        put(QStringLiteral("261120"), QStringLiteral("今日"), QStringLiteral("晴れ"));
        put(QStringLiteral("261123"), QStringLiteral("勤労感謝"),
            QStringLiteral("休み 👍🏽"));
        w = test::openMainWindow(QSize(900, 600));
        QVERIFY(w);
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }
    void cleanup()
    {
        if (w) {
            w->close();
            delete w;
        }
        sbEdt::closeIfOpen();
        test::endDiary(fake);
    }

    void startShowsTodayBelowTheEditor()
    {
        QCOMPARE(dayText(), QStringLiteral("令和8年11月20日(金)"));
        QTRY_COMPARE(countText(), QStringLiteral("2 文字"));
        // Below the client area, which the editor fills to its bottom.
        const QRect client = w->centralWidget()->geometry();
        QCOMPARE(w->uTxt->geometry().bottom(), client.height() - 1);
        QVERIFY(w->statusBar()->isVisible());
        QVERIFY(w->statusBar()->geometry().top() > client.bottom());
    }

    void everyPathShowsTheDay_data()
    {
        QTest::addColumn<Path>("path");
        QTest::addColumn<QString>("day");
        QTest::addColumn<QString>("count");
        const QString bunka = QStringLiteral("令和8年11月3日(火)\u3000文化の日");
        const QString kinro = QStringLiteral("令和8年11月23日(月)\u3000勤労感謝の日");
        QTest::newRow("click a holiday") << Path::Click << bunka << "8 文字";
        QTest::newRow("calendar keys") << Path::Keys << kinro << "3 文字";
        QTest::newRow("next-month button") << Path::MonthButton << "令和8年12月20日(日)"
                                           << "0 文字";
        QTest::newRow("date menu, last day") << Path::DateMenu << kinro << "3 文字";
        QTest::newRow("list row") << Path::ListRow << bunka << "8 文字";
        QTest::newRow("move to New Year's Day") << Path::Move << "令和9年1月1日(金)\u3000元日"
                                                << "2 文字";
        QTest::newRow("move onto a written day") << Path::RefusedMove << "令和8年11月20日(金)"
                                                 << "2 文字";
        QTest::newRow("correction from a listing") << Path::Correction << "令和8年11月20日(金)"
                                                   << "5 文字";
    }
    void everyPathShowsTheDay()
    {
        QFETCH(Path, path);
        QFETCH(QString, day);
        QFETCH(QString, count);
        switch (path) {
        case Path::Click:
            QTest::mouseClick(w->vCLn, Qt::LeftButton, {},
                              w->vCLn->dateRect(QDate(2026, 11, 3)).center());
            break;
        case Path::Keys:
            w->vCLn->setFocus();
            for (int i = 0; i < 3; ++i)
                QTest::keyClick(w->vCLn, Qt::Key_Right);
            break;
        case Path::MonthButton:
            QTest::mouseClick(w->vCLn->findChild<QToolButton*>(QStringLiteral("nextMonth")),
                              Qt::LeftButton);
            break;
        case Path::DateMenu:
            w->mnDay_Click(fmTxt::LastDay);
            break;
        case Path::ListRow:
            QTest::mouseClick(w->vSpr->viewport(), Qt::LeftButton, {},
                              w->vSpr->visualItemRect(w->vSpr->item(0, 1)).center());
            break;
        case Path::Move:
        case Path::RefusedMove:
            fake->promptAnswers = {path == Path::Move ? QStringLiteral("2027/1/1")
                                                      : QStringLiteral("2026/11/3")};
            w->mnFile_Click(fmTxt::ChangeDate);
            break;
        case Path::Correction:
            w->entryCorrected(w->CurrentKey, QStringLiteral("曇りのち雨"));
            break;
        }
        QCOMPARE(dayText(), day);
        QTRY_COMPARE(countText(), count);
    }

    void countFollowsTypingAndSelection()
    {
        QTRY_COMPARE(countText(), QStringLiteral("2 文字"));
        body()->setFocus();
        body()->moveCursor(QTextCursor::End);
        for (const QString& key : {QStringLiteral("\n"), QStringLiteral("か"),
                                   QStringLiteral("\u3099"), QStringLiteral("😀")})
            QTest::sendKeyEvent(QTest::Click, body(), Qt::Key_unknown, key, Qt::NoModifier);
        QTRY_COMPARE(countText(), QStringLiteral("4 文字")); // が is one
        // The title is not counted: the total below stays the body's.
        QTest::keyClicks(w->vTTL, QStringLiteral("abc"));

        QTextCursor c = body()->textCursor();
        c.setPosition(1);
        c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        body()->setTextCursor(c);
        QTRY_COMPARE(countText(), QStringLiteral("選択 3 / 4 文字"));
        c.clearSelection();
        body()->setTextCursor(c);
        QTRY_COMPARE(countText(), QStringLiteral("4 文字"));
    }

    // The count runs beside the window: while one is under way the window goes on, and
    // of the texts handed over meanwhile only the newest is shown.
    void countNeverHoldsTheWindow()
    {
        QSemaphore release;
        std::atomic<QThread*> countedOn = nullptr;
        uTxA editor;
        EntryStatusBar bar(&editor, nullptr, [&](QStringView text, QStringView) {
            countedOn = QThread::currentThread();
            release.tryAcquire(1, 10000);
            return QString::number(text.size());
        });
        auto* label = bar.findChild<QLabel*>(QStringLiteral("stCount"));
        for (const char* text : {"a", "bb", "ccc"}) {
            editor.setText(QString::fromLatin1(text));
            QTest::qWait(200); // past the pause between counts
        }
        QCOMPARE(label->text(), QString()); // the first count is still held
        release.release(4);
        QTRY_COMPARE(label->text(), QStringLiteral("3"));
        QVERIFY(countedOn != QThread::currentThread());
    }

    // How far the search index's building has come, once it takes a while.
    void progressShowsOnlyWhileBuildingTakesAWhile()
    {
        // On a window of its own: no diary whose index would report meanwhile.
        delete w.data();
        DbClose();
        QMainWindow w;
        w.setCentralWidget(new QWidget);
        int relayouts = 0;
        auto* p = new IndexProgress(&w, [&] { ++relayouts; });
        w.show();
        p->report(0, 100);
        p->report(10, 100);
        QVERIFY(!p->shown());
        QTRY_VERIFY(p->shown());
        auto* bar = w.findChild<QProgressBar*>(QStringLiteral("indexProgress"));
        QVERIFY(bar);
        p->report(40, 100);
        QCOMPARE(bar->value(), 40);
        QVERIFY(w.statusBar()->isVisible());
        QTRY_VERIFY(relayouts > 0);
        p->report(100, 100);
        QVERIFY(!p->shown());
        QVERIFY(!w.statusBar()->isVisible());
        // Done before the bar was due: it never shows.
        p->report(0, 5);
        p->report(5, 5);
        QTest::qWait(IndexProgress::kShowAfterMs + 100);
        QVERIFY(!p->shown());
    }
};

QTEST_MAIN(TestStatus)
#include "tst_status.moc"
