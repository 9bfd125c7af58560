// "印刷…" from the keyboard on a real X server: Alt+F, the last item, the dialog's
// mnemonics, and the PDF it writes holds the shown month's entries in order.

#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "MainWindow.h"
#include "PdfText.h"
#include "PrintDialog.h"
#include "fmTxt.h"

#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QTest>
#include <QTimer>

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

private:
    std::unique_ptr<test::FakePlatform> fake;
    fmTxt* w = nullptr;
};

QTEST_MAIN(TestPrintWin)
#include "tst_printwin.moc"
