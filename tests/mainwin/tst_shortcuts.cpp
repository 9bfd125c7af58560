// The main window's shortcuts on a real X server: every key of the menu tree works from
// anywhere in the window, and the edit keys act on the body editor wherever the focus is.

#include "DiaryFixture.h"
#include "fmTxt.h"
#include "uTxA.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTableWidget>
#include <QTest>

using namespace drv;

class TestShortcuts : public QObject {
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
        w = new fmTxt;
        QVERIFY(w->Form_Load());
        w->show();
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
        for (const char* focus : {"body", "title", "list"}) {
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
};

QTEST_MAIN(TestShortcuts)
#include "tst_shortcuts.moc"
