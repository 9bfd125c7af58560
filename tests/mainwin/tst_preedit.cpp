// Text that the input method is still composing, in the three boxes where diary text is
// typed: the title box and the body of the main window, and the correction window.

#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "MainWindow.h"
#include "fmTxt.h"
#include "sbEdt.h"
#include "uTxA.h"

#include <QFile>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

using namespace drv;

namespace {

void compose(QWidget* box, const QString& preedit)
{
    QInputMethodEvent e(preedit, {QInputMethodEvent::Attribute(QInputMethodEvent::Cursor,
                                                               int(preedit.size()), 1, {})});
    QCoreApplication::sendEvent(box, &e);
}

void commit(QWidget* box, const QString& text)
{
    QInputMethodEvent e;
    e.setCommitString(text);
    QCoreApplication::sendEvent(box, &e);
}

} // namespace

class TestPreedit : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;
    QPointer<fmTxt> w;

    // The box named by the row, focused, and the flag that its window sets on a change.
    QWidget* box(const QString& where, bool*& changed)
    {
        QWidget* target = nullptr;
        if (where == u"correction") {
            sbEdt& c = sbEdt::instance();
            c.ActDc(QStringLiteral("261207"));
            c.show();
            if (!QTest::qWaitForWindowExposed(&c)) return nullptr;
            changed = &c.bChg;
            target = c.uTxt->findChild<QPlainTextEdit*>();
        } else {
            changed = &w->Modified;
            target = where == u"title" ? static_cast<QWidget*>(w->vTTL)
                                       : w->uTxt->findChild<QPlainTextEdit*>();
        }
        target->activateWindow();
        target->setFocus();
        return target;
    }
    static QByteArray changeCounter()
    {
        QFile f(sUsrFld + QStringLiteral("dbVesk.mdb"));
        if (!f.open(QIODevice::ReadOnly) || !f.seek(24)) return {};
        return f.read(4);
    }
    QString textOf(QWidget* b) const
    {
        if (auto* line = qobject_cast<QLineEdit*>(b)) return line->text();
        return static_cast<QPlainTextEdit*>(b)->toPlainText();
    }

private Q_SLOTS:
    void init()
    {
        fake = test::startDiary();
        test::put(QStringLiteral("261207"), QStringLiteral("表題"), QStringLiteral("本文"));
        w = test::openMainWindow();
        QVERIFY(w);
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }
    void cleanup()
    {
        sbEdt::closeIfOpen();
        if (w) {
            w->close();
            delete w;
        }
        fake.reset();
    }

    void composingIsNotTyping_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("title") << u"title"_qs;
        QTest::newRow("body") << u"body"_qs;
        QTest::newRow("correction") << u"correction"_qs;
    }
    void composingIsNotTyping()
    {
        QFETCH(QString, where);
        bool* changed = nullptr;
        QWidget* b = box(where, changed);
        QVERIFY(b);
        const QString before = textOf(b);
        QVERIFY(!*changed);

        compose(b, u"に"_qs);
        compose(b, u"にほんご"_qs);
        QVERIFY2(!*changed, "composing counted as a change");
        QCOMPARE(textOf(b), before);
        compose(b, QString()); // given up: nothing happened
        QVERIFY(!*changed);

        compose(b, u"にほんご"_qs);
        commit(b, u"日本語"_qs);
        QVERIFY2(*changed, "the committed text was not a change");
        QCOMPARE(textOf(b).size(), before.size() + 3);
        QVERIFY(textOf(b).contains(u"日本語"_qs));
    }

    // The input method puts its candidate window under the rectangle it is told.
    void caretIsReportedWhereItIs_data() { composingIsNotTyping_data(); }
    void caretIsReportedWhereItIs()
    {
        QFETCH(QString, where);
        bool* changed = nullptr;
        QWidget* b = box(where, changed);
        QVERIFY(b);
        if (auto* line = qobject_cast<QLineEdit*>(b)) line->setCursorPosition(0);
        commit(b, u"日本"_qs);
        compose(b, u"ご"_qs);
        QInputMethod* im = QGuiApplication::inputMethod();
        im->update(Qt::ImQueryAll);
        QWidget* window = b->window();
        const QRect reported = im->cursorRectangle().toAlignedRect();
        const QRect area(b->mapTo(window, QPoint()), b->size());
        QVERIFY2(area.contains(reported.center()),
                 qPrintable(QStringLiteral("%1,%2 outside").arg(reported.x()).arg(reported.y())));
        const int typed = b->fontMetrics().horizontalAdvance(u"日本"_qs);
        QVERIFY(reported.left() >= area.left() + typed);
        if (auto* edit = qobject_cast<QPlainTextEdit*>(b)) {
            const QRect caret = edit->cursorRect();
            const QPoint at = edit->viewport()->mapTo(window, caret.topLeft());
            QVERIFY2((reported.topLeft() - at).manhattanLength() <= 2,
                     qPrintable(QStringLiteral("reported %1,%2, caret at %3,%4")
                                    .arg(reported.x())
                                    .arg(reported.y())
                                    .arg(at.x())
                                    .arg(at.y())));
        }
    }

    void closingWhileComposingWritesNothing()
    {
        bool* changed = nullptr;
        QWidget* body = box(u"body"_qs, changed);
        QVERIFY(body);
        compose(body, u"かな"_qs);
        const QByteArray before = changeCounter();
        QVERIFY(w->close());
        // Any write to the diary, even of the same entry, counts up its header.
        QCOMPARE(changeCounter(), before);
        QCOMPARE(test::stored().value(u"261207"_qs).body, u"本文"_qs);
    }
};

QTEST_MAIN(TestPreedit)
#include "tst_preedit.moc"
