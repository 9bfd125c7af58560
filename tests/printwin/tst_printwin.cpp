// "印刷…" on a real X server: from the keyboard (Alt+F, the last item, the dialog's
// mnemonics) to a PDF that holds the shown month's entries in order; its progress to the
// end, its cancel, and its preview.

#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "MainWindow.h"
#include "PdfText.h"
#include "PrintDialog.h"
#include "PrintEntries.h"
#include "PrintJob.h"
#include "fmTxt.h"

#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

using namespace drv;

class TestPrintWin : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        QVERIFY2(QGuiApplication::platformName() == u"xcb", "run under scripts/xvfb-test.sh");
        fake = test::startDiary();
        test::put(QStringLiteral("261130"), "霜月の終わり", "十一月は印刷しない。");
        test::put(QStringLiteral("261201"), "師走", "今日から十二月。「早いね」と言った。");
        test::put(QStringLiteral("261203"), "", "題のない日。Qt 6を試す。");
        test::put(QStringLiteral("261207"), "初雪", "窓の外は一面の雪——12時に止んだ。");
        w = test::openMainWindow();
        QVERIFY(w);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
    }
    void cleanup()
    {
        if (w) {
            w->Modified = false;
            w->close();
            delete w;
        }
        test::endDiary(fake);
    }

    void printsTheShownMonthToPdf_data()
    {
        QTest::addColumn<int>("downs"); // Down presses in 書き方: 0 横書き, 1 縦書き
        QTest::newRow("横書き") << 0;
        QTest::newRow("縦書き") << 1;
    }
    void printsTheShownMonthToPdf()
    {
        QFETCH(int, downs);
        const QString pdf = fake->root.filePath(QStringLiteral("month.pdf"));
        fake->saveFileAnswers = {pdf};
        bool sawDialog = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<print::PrintDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible() || sawDialog) return;
            // Keys go to the active window: without a window manager, activate it.
            if (QApplication::activeWindow() != dialog) {
                dialog->activateWindow();
                return;
            }
            sawDialog = true;
            QTest::keyClick(dialog, Qt::Key_W, Qt::AltModifier); // 書き方(&W)
            for (int i = 0; i < downs; ++i)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
            QTest::keyClick(dialog, Qt::Key_S, Qt::AltModifier); // PDF に保存(&S)…
        });
        poll.start(20);
        QTest::keyClick(w, Qt::Key_F, Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QTest::keyClick(menu, Qt::Key_Up); // from the top, Up goes round to the last item
        QCOMPARE(menu->activeAction()->text(), QStringLiteral("印刷…"));
        QTest::keyClick(menu, Qt::Key_Return);
        QTRY_VERIFY(sawDialog);
        QTRY_VERIFY(QFileInfo::exists(pdf) && !QApplication::activeModalWidget());
        QVERIFY(fake->saveFileProposals.value(0).endsWith(u"drvesk-20261201-20261231.pdf"));

        const QString text = test::pdfPages(pdf).join(QString());
        QVERIFY(!text.contains(QStringLiteral("霜月")));
        qsizetype at = 0;
        for (const char* part : {"2026年12月1日", "師走", "今日から十二月。「早いね」と言った。",
                                 "2026年12月3日", "題のない日。Qt6を試す。", "2026年12月7日",
                                 "初雪", "窓の外は一面の雪——12時に止んだ。"}) {
            at = text.indexOf(QString::fromUtf8(part), at);
            QVERIFY2(at >= 0, part);
        }
        // Horizontal text keeps a title on a line of its own; vertical columns come out a
        // character a line.
        const QStringList lines = test::pdfRawText(pdf).split(u'\n');
        QCOMPARE(lines.contains(QStringLiteral("師走")), downs == 0);
        QCOMPARE(lines.contains(QStringLiteral("師")), downs == 1);
        QVERIFY(fake->messages.isEmpty());
    }

    // The progress box reaches its end when the PDF is whole; cancelled, it leaves no file
    // behind, not even a part of one. The month is long enough (hundreds of pages) that no
    // machine paints it in one slice, so the box is always there to be watched.
    void progressEndsOrCancelLeavesNoPdf_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("to the end") << false;
        QTest::newRow("cancelled") << true;
    }
    void progressEndsOrCancelLeavesNoPdf()
    {
        QFETCH(bool, cancel);
        putLongDays(12000);
        const QString pdf = fake->root.filePath(QStringLiteral("long.pdf"));
        fake->saveFileAnswers = {pdf};
        QList<int> values;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* box = w->findChild<QProgressDialog*>(QStringLiteral("PrintProgress"));
            if (!box || !values.isEmpty()) return;
            auto* bar = box->findChild<QProgressBar*>();
            connect(bar, &QProgressBar::valueChanged, this, [&](int v) { values << v; });
            values << bar->value();
            if (cancel) box->cancel(); // as its button does
        });
        runPrint([](print::PrintDialog* dialog) { button(dialog, "pdf")->click(); }, &poll);
        QVERIFY(!values.isEmpty());
        if (cancel) {
            QVERIFY(values.last() < 1000);
            QVERIFY(!QFileInfo::exists(pdf));
        } else {
            QCOMPARE(values.last(), 1000);
            QVERIFY(std::is_sorted(values.cbegin(), values.cend()));
            QVERIFY(values.size() > 2);
            QVERIFY(test::pdfPages(pdf).size() > 2);
        }
        QVERIFY(fake->messages.isEmpty());
    }

    // The preview shows every page that the printer would print, and closes.
    void previewShowsEveryPage()
    {
        putLongDays();
        int shown = -1;
        print::PrintOptions options;
        print::RangeChoice range;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
            auto* pages = preview ? preview->findChild<QPrintPreviewWidget*>() : nullptr;
            if (!pages || pages->pageCount() == 0) return;
            shown = pages->pageCount();
            preview->reject();
        });
        runPrint(
            [&](print::PrintDialog* dialog) {
                options = dialog->options();
                range = dialog->range();
                button(dialog, "preview")->click();
            },
            &poll);
        QVERIFY(!QApplication::activeModalWidget());
        // The same entries on a printer of the same kind, into a file.
        QList<print::PrintEntry> entries;
        print::rangeDates(range, options.from, options.to);
        QVERIFY(print::readEntries(options.from, options.to, entries));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFileName(fake->root.filePath(QStringLiteral("same.pdf")));
        print::PrintJob job(entries, options, &printer);
        QVERIFY(job.run());
        QVERIFY(job.pageCount() > 2);
        QCOMPARE(shown, job.pageCount());
    }

private:
    // The rest of December, each day a long entry of `length` characters.
    static void putLongDays(int length = 1200)
    {
        for (int day = 8; day <= 31; ++day)
            test::put(QStringLiteral("2612%1").arg(day, 2, 10, QChar(u'0')),
                      QStringLiteral("長い日"),
                      QString(length, QChar(u'字')) + QStringLiteral("。終わり"));
    }
    static QPushButton* button(QDialog* dialog, const char* name)
    {
        return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    // Starts "印刷…" and answers its dialog by `answer`; `during` polls while the command
    // runs. Returns when the command has ended.
    void runPrint(const std::function<void(print::PrintDialog*)>& answer, QTimer* during)
    {
        bool answered = false;
        QTimer dialogPoll;
        connect(&dialogPoll, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<print::PrintDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible() || answered) return;
            answered = true;
            answer(dialog);
        });
        dialogPoll.start(20);
        during->start(5);
        QAction* command = nullptr;
        for (QAction* a : w->findChildren<QAction*>())
            if (a->text() == u"印刷…") command = a;
        QVERIFY(command);
        command->trigger();
        QVERIFY(answered);
    }

    std::unique_ptr<test::FakePlatform> fake;
    fmTxt* w = nullptr;
};

QTEST_MAIN(TestPrintWin)
#include "tst_printwin.moc"
