// The main window on a real X server: every key of the menu tree works from anywhere in
// the window, the edit keys act on the body editor from the body, the list and the
// calendar but on the title box while it has the focus, and message boxes and prompts
// stand over the window that asked.

#include "DiaryFixture.h"
#include "MainWindow.h"
#include "TypeText.h"
#include "WidgetDialogs.h"
#include "fmTxt.h"
#include "uTxA.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

using namespace drv;

class TestDesktop : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;
    QPointer<fmTxt> w;
    QPlainTextEdit* body = nullptr;

    QWidget* target(const QString& name) const
    {
        if (name == u"body") return body;
        if (name == u"title") return w->vTTL;
        return w->vSpr;
    }
    // The body holds "abc" plus what was typed into it; the focus is then moved.
    void prepare(const QString& typed, const QString& focus)
    {
        w->vTTL->setText(QStringLiteral("題"));
        w->uTxt->setText(QStringLiteral("abc"));
        body->moveCursor(QTextCursor::End);
        body->setFocus();
        QTest::keyClicks(body, typed);
        QWidget* f = target(focus);
        f->setFocus();
        QTRY_VERIFY(f->hasFocus());
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY2(QGuiApplication::platformName() == u"xcb", "run under scripts/xvfb-test.sh");
        fake = test::startDiary();
        w = test::openMainWindow();
        QVERIFY(w);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        body = w->uTxt->findChild<QPlainTextEdit*>();
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

    void editKeysActOnTheBody_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("setUp"); // an editor action done before the key
        QTest::addColumn<QString>("bodyAfter");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("clipboard"); // "P" before the key
        struct Row {
            const char* what;
            QKeyCombination key;
            const char *typed, *setUp, *bodyAfter, *selected, *clipboard;
        };
        const Row rows[] = {
            {"undo", Qt::CTRL | Qt::Key_Z, "X", "", "abc", "", "P"},
            {"redo Ctrl+Y", Qt::CTRL | Qt::Key_Y, "X", "元に戻す", "abcX", "", "P"},
            {"redo Ctrl+Shift+Z", Qt::CTRL | Qt::SHIFT | Qt::Key_Z, "X", "元に戻す", "abcX", "",
             "P"},
            {"copy", Qt::CTRL | Qt::Key_C, "", "全て選択", "abc", "abc", "abc"},
            {"cut", Qt::CTRL | Qt::Key_X, "", "全て選択", "", "", "abc"},
            {"paste", Qt::CTRL | Qt::Key_V, "", "", "abcP", "", "P"},
            {"select all", Qt::CTRL | Qt::Key_A, "", "", "abc", "abc", "P"},
        };
        for (const char* focus : {"body", "list"}) {
            for (const Row& r : rows)
                QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(r.what, focus)))
                    << QString::fromLatin1(focus) << r.key << QString::fromUtf8(r.typed)
                    << QString::fromUtf8(r.setUp) << QString::fromUtf8(r.bodyAfter)
                    << QString::fromUtf8(r.selected) << QString::fromUtf8(r.clipboard);
        }
    }
    void editKeysActOnTheBody()
    {
        QFETCH(QString, focus);
        QFETCH(QKeyCombination, key);
        QFETCH(QString, typed);
        QFETCH(QString, setUp);
        QFETCH(QString, bodyAfter);
        QFETCH(QString, selected);
        QFETCH(QString, clipboard);
        QApplication::clipboard()->setText(QStringLiteral("P"));
        prepare(typed, focus);
        if (!setUp.isEmpty()) w->uTxt->txAct(setUp);
        QTest::keyClick(target(focus), key.key(), key.keyboardModifiers());
        QCOMPARE(w->uTxt->Text(), bodyAfter);
        QCOMPARE(w->uTxt->SelText(), selected);
        QTRY_COMPARE(QApplication::clipboard()->text(), clipboard);
        QCOMPARE(w->vTTL->text(), QStringLiteral("題")); // the title box took nothing
    }

    // A phrase pasted into the title lands in the title; Ctrl+A then typing replaces it.
    void titleBoxKeepsItsEditKeys_data()
    {
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<QString>("setUp"); // typed, undone or selected before the key
        QTest::addColumn<QString>("typedAfter");
        QTest::addColumn<QString>("titleAfter");
        QTest::addColumn<QString>("clipboard"); // "P" before the key
        QTest::newRow("undo") << (Qt::CTRL | Qt::Key_Z) << "type X"
                              << ""
                              << "題"
                              << "P";
        QTest::newRow("redo Ctrl+Y") << (Qt::CTRL | Qt::Key_Y) << "type X, undo"
                                     << ""
                                     << "題X"
                                     << "P";
        QTest::newRow("redo Ctrl+Shift+Z") << (Qt::CTRL | Qt::SHIFT | Qt::Key_Z) << "type X, undo"
                                           << ""
                                           << "題X"
                                           << "P";
        QTest::newRow("copy") << (Qt::CTRL | Qt::Key_C) << "select all"
                              << ""
                              << "題"
                              << "題";
        QTest::newRow("cut") << (Qt::CTRL | Qt::Key_X) << "select all"
                             << ""
                             << ""
                             << "題";
        QTest::newRow("paste") << (Qt::CTRL | Qt::Key_V) << ""
                               << ""
                               << "題P"
                               << "P";
        QTest::newRow("select all, then type") << (Qt::CTRL | Qt::Key_A) << ""
                                               << "新"
                                               << "新"
                                               << "P";
    }
    void titleBoxKeepsItsEditKeys()
    {
        QFETCH(QKeyCombination, key);
        QFETCH(QString, setUp);
        QFETCH(QString, typedAfter);
        QFETCH(QString, titleAfter);
        QFETCH(QString, clipboard);
        QApplication::clipboard()->setText(QStringLiteral("P"));
        prepare(QString(), QStringLiteral("title"));
        w->vTTL->end(false);
        if (setUp.startsWith(u"type X")) QTest::keyClicks(w->vTTL, QStringLiteral("X"));
        if (setUp.endsWith(u"undo")) w->vTTL->undo();
        if (setUp == u"select all") w->vTTL->selectAll();
        QTest::keyClick(w->vTTL, key.key(), key.keyboardModifiers());
        if (!typedAfter.isEmpty()) test::typeText(w->vTTL, typedAfter);
        QCOMPARE(w->vTTL->text(), titleAfter);
        QTRY_COMPARE(QApplication::clipboard()->text(), clipboard);
        QCOMPARE(w->uTxt->Text(), QStringLiteral("abc")); // the body took nothing
        QCOMPARE(w->uTxt->SelText(), QString());
    }

    // The file and look-up keys too: F5 saves, Ctrl+F asks for a word, from every control.
    void commandKeysWorkFromEveryControl_data()
    {
        QTest::addColumn<QString>("focus");
        for (const char* focus : {"body", "title", "list"})
            QTest::newRow(focus) << focus;
    }
    void commandKeysWorkFromEveryControl()
    {
        QFETCH(QString, focus);
        prepare(QStringLiteral("d"), focus);
        QTest::keyClick(target(focus), Qt::Key_F5);
        QVERIFY(!w->Modified);
        QCOMPARE(fake->messages, QStringList());
        fake->promptAnswers = {QVariant()};
        QTest::keyClick(target(focus), Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(fake->prompts.size(), 1);
        QCOMPARE(fake->prompts[0].text, QStringLiteral("検索文字を指定して下さい"));
    }

    void boxesStandOverTheWindowThatAsks_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("fromMain");
        for (const char* kind : {"message", "confirm", "prompt"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1 from the main window").arg(kind)))
                << kind << true;
            QTest::newRow(qPrintable(QStringLiteral("%1 from another window").arg(kind)))
                << kind << false;
        }
    }
    void boxesStandOverTheWindowThatAsks()
    {
        QFETCH(QString, kind);
        QFETCH(bool, fromMain);
        w->setGeometry(20, 20, 500, 400);
        QWidget other;
        other.setGeometry(700, 500, 400, 300);
        QWidget* asker = w;
        if (!fromMain) {
            other.show();
            asker = &other;
        }
        asker->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(asker));

        QWidget* owner = nullptr;
        QRect box;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible()) return;
            owner = dialog->parentWidget();
            box = dialog->frameGeometry();
            dialog->reject();
        });
        poll.start(20);
        WidgetDialogs dialogs;
        QString answer;
        if (kind == u"message")
            dialogs.message(QStringLiteral("日付の指定が不正です"));
        else if (kind == u"confirm")
            dialogs.confirm(QStringLiteral("現在の文章を削除してよいですか"));
        else
            dialogs.prompt(QStringLiteral("日付を指定して下さい"), QStringLiteral("日付訂正"),
                           QStringLiteral("2026/12/07"), answer);
        QCOMPARE(owner, asker);
        QVERIFY2(asker->frameGeometry().contains(box.center()),
                 qPrintable(QStringLiteral("box at %1,%2").arg(box.x()).arg(box.y())));
    }

    // A question with several answers: each button gives its own; Escape the last, which
    // changes nothing.
    void choiceGivesTheAnswersIndex_data()
    {
        QTest::addColumn<QString>("press");
        QTest::addColumn<int>("answer");
        QTest::newRow("first") << u"読み取り専用で開く"_qs << 0;
        QTest::newRow("second") << u"引き継ぐ…"_qs << 1;
        QTest::newRow("Escape") << QString() << 2;
    }
    void choiceGivesTheAnswersIndex()
    {
        QFETCH(QString, press);
        QFETCH(int, answer);
        QStringList shown;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            poll.stop();
            for (QAbstractButton* b : box->buttons())
                shown << b->text();
            if (press.isEmpty()) {
                QTest::keyClick(box, Qt::Key_Escape);
                return;
            }
            for (QAbstractButton* b : box->buttons())
                if (b->text() == press) b->click();
        });
        poll.start(20);
        WidgetDialogs dialogs;
        const QStringList answers = {u"読み取り専用で開く"_qs, u"引き継ぐ…"_qs, u"終了"_qs};
        QCOMPARE(dialogs.choose(u"使用中です"_qs, answers), answer);
        shown.sort();
        QStringList expected = answers;
        expected.sort();
        QCOMPARE(shown, expected);
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
