// Drafts as the user meets them: typed text is kept in a draft until it is stored, and
// a draft that a run left behind is offered back at the next start.

#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "Draft.h"
#include "DraftKeeper.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "MainWindow.h"
#include "MonthCalendar.h"
#include "TypeText.h"
#include "fmTxt.h"
#include "sbEdt.h"
#include "sbFnd.h"
#include "uTxA.h"

#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>

using namespace drv;
using drv::test::put;
using drv::test::stored;
using drv::test::typeText;
using Entry = drv::test::StoredEntry;

namespace {

QString draftPath()
{
    return sUsrFld + QStringLiteral("draft.txt");
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void leaveDraft(const QByteArray& bytes)
{
    QFile f(draftPath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList backups()
{
    return QDir(sUsrFld + QStringLiteral("backup")).entryList(QDir::Files);
}

QByteArray backup(int i)
{
    return readAll(sUsrFld + QStringLiteral("backup/") + backups().value(i));
}

// A draft of the day 26/12/05, begun on the entry "old" / "old body".
Draft leftFor(const QString& window = kMainWindow)
{
    return Draft{window, QStringLiteral("261205"),
                 window == kMainWindow ? QStringLiteral("new") : QStringLiteral("old"),
                 QStringLiteral("new body\nsecond line"),
                 entryFingerprint(QStringLiteral("old"), QStringLiteral("old body"))};
}

} // namespace

class TestDrafts : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;
    QPointer<fmTxt> w;

    // Starts as the program does: load, show, then the offer.
    void start()
    {
        w = test::openMainWindow();
        QVERIFY(w);
        QVERIFY(QTest::qWaitForWindowExposed(w));
        // Under X the keys go to the active window only.
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        w->offerDrafts();
        QVERIFY(w->drafts());
    }
    QPlainTextEdit* body() const { return w->uTxt->findChild<QPlainTextEdit*>(); }
    // The draft file as it is once everything taken so far is written.
    QList<Draft> drafted()
    {
        w->drafts()->writeNow();
        w->drafts()->flush();
        return parseDrafts(readAll(draftPath())).value_or(QList<Draft>{});
    }
    void clickDay(const QDate& date)
    {
        w->vCLn->setSelectedDate(date);
        QTest::mouseClick(w->vCLn, Qt::LeftButton, {}, w->vCLn->dateRect(date).center());
        QCOMPARE(w->CurrentKey, date.toString(QStringLiteral("yyMMdd")));
    }

private Q_SLOTS:
    void init() { fake = test::startDiary(); }
    void cleanup()
    {
        if (sbEdt* e = sbEdt::loaded()) e->bChg = false;
        if (w) {
            w->close();
            delete w;
        }
        sbEdt::closeIfOpen();
        sbFnd::closeIfOpen();
        fake.reset();
    }

    // --- while the program runs ------------------------------------------------------
    void typedTextIsDraftedUntilStored_data()
    {
        QTest::addColumn<QString>("end");
        QTest::newRow("saved") << QStringLiteral("save");
        QTest::newRow("another day shown") << QStringLiteral("day");
        QTest::newRow("deleted") << QStringLiteral("delete");
        QTest::newRow("clean exit") << QStringLiteral("exit");
    }
    void typedTextIsDraftedUntilStored()
    {
        QFETCH(QString, end);
        put(QStringLiteral("261207"), QStringLiteral("朝"), QStringLiteral("晴れ"));
        start();
        QVERIFY(fake->messages.isEmpty());
        QVERIFY(!QFile::exists(draftPath()));
        w->vTTL->end(false);
        typeText(w->vTTL, QStringLiteral("の散歩"));
        body()->moveCursor(QTextCursor::End);
        typeText(body(), QStringLiteral("。川まで"));
        const QList<Draft> drafts = drafted();
        QCOMPARE(drafts.size(), 1);
        QCOMPARE(drafts.first(),
                 (Draft{kMainWindow, QStringLiteral("261207"), QStringLiteral("朝の散歩"),
                        QStringLiteral("晴れ。川まで"),
                        entryFingerprint(QStringLiteral("朝"), QStringLiteral("晴れ"))}));
        QCOMPARE(QFile::permissions(draftPath()) & QFileDevice::ReadOther, 0);

        if (end == u"save") {
            QTest::keyClick(w, Qt::Key_F5);
        } else if (end == u"day") {
            clickDay(QDate(2026, 12, 8));
        } else if (end == u"delete") {
            w->DeleteEntry();
            QVERIFY(stored().isEmpty());
        } else {
            w->close();
            QVERIFY(!QFile::exists(sUsrFld + QStringLiteral("draft.lock")));
        }
        if (w && w->drafts()) w->drafts()->flush();
        QVERIFY(!QFile::exists(draftPath()));
        if (end == u"save" || end == u"day")
            QCOMPARE(stored().value(QStringLiteral("261207")),
                     (Entry{QStringLiteral("朝の散歩"), QStringLiteral("晴れ。川まで")}));
        QVERIFY(backups().isEmpty());
    }

    // The input method's text in composition lives in the editor's layout, not in its
    // document: it is no part of a draft until it is committed.
    void textBeingComposedIsNotDrafted()
    {
        start();
        QTest::keyClick(w->vTTL, Qt::Key_Return);
        typeText(body(), QStringLiteral("abc"));
        QInputMethodEvent composing(QStringLiteral("にほん"), {});
        QCoreApplication::sendEvent(body(), &composing);
        QCOMPARE(drafted().value(0).body, QStringLiteral("abc"));
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("日本"));
        QCoreApplication::sendEvent(body(), &commit);
        QCOMPARE(drafted().value(0).body, QStringLiteral("abc日本"));
    }

    void correctionIsDraftedUntilStored()
    {
        put(QStringLiteral("261205"), QStringLiteral("old"), QStringLiteral("old body"));
        start();
        sbEdt& e = sbEdt::instance();
        e.ActDc(QStringLiteral("261205"));
        QPlainTextEdit* m = e.uTxt->findChild<QPlainTextEdit*>();
        m->moveCursor(QTextCursor::End);
        typeText(m, QStringLiteral(" fixed"));
        typeText(w->vTTL, QStringLiteral("今日"));
        QList<Draft> drafts = drafted();
        QCOMPARE(drafts.size(), 2);
        QCOMPARE(drafts.first().window, kMainWindow);
        QCOMPARE(drafts.last(),
                 (Draft{kCorrectionWindow, QStringLiteral("261205"), QStringLiteral("old"),
                        QStringLiteral("old body fixed"),
                        entryFingerprint(QStringLiteral("old"), QStringLiteral("old body"))}));
        // Stored on close: only the main window's draft is left.
        QVERIFY(e.close());
        drafts = drafted();
        QCOMPARE(drafts.size(), 1);
        QCOMPARE(drafts.first().window, kMainWindow);
        QCOMPARE(stored().value(QStringLiteral("261205")).body, QStringLiteral("old body fixed"));
    }

    // --- at the next start -------------------------------------------------------------
    void leftoverIsOffered_data()
    {
        QTest::addColumn<QString>("storedBody"); // what the diary holds for the day now
        QTest::addColumn<bool>("restore");
        QTest::addColumn<bool>("changed");
        QTest::newRow("as begun, restored") << QStringLiteral("old body") << true << false;
        QTest::newRow("as begun, turned down") << QStringLiteral("old body") << false << false;
        QTest::newRow("changed meanwhile, restored")
            << QStringLiteral("changed elsewhere") << true << true;
        QTest::newRow("changed meanwhile, turned down")
            << QStringLiteral("changed elsewhere") << false << true;
        QTest::newRow("deleted meanwhile, restored") << QString() << true << true;
    }
    void leftoverIsOffered()
    {
        QFETCH(QString, storedBody);
        QFETCH(bool, restore);
        QFETCH(bool, changed);
        put(QStringLiteral("261130"), QStringLiteral("other day"), QStringLiteral("other"));
        if (!storedBody.isEmpty()) put(QStringLiteral("261205"), QStringLiteral("old"), storedBody);
        const QMap<QString, Entry> before = stored();
        const Draft left = leftFor();
        leaveDraft(serializeDrafts({left}));
        fake->confirmAnswers = {restore};
        start();

        QCOMPARE(fake->messages.size(), 1);
        const QString asked = fake->messages.first();
        QVERIFY2(asked.contains(QStringLiteral("26/12/05")) &&
                     asked.contains(QStringLiteral("new body")) &&
                     !asked.contains(QStringLiteral("second line")),
                 qPrintable(asked));
        QCOMPARE(asked.contains(QStringLiteral("変更されています")), changed);
        QCOMPARE(stored(), before); // the diary is written only by the ordinary saves
        if (restore) {
            QCOMPARE(w->CurrentKey, QStringLiteral("261205"));
            QCOMPARE(w->vTTL->text(), left.title);
            QCOMPARE(w->uTxt->Text(), left.body);
            QVERIFY(w->Modified);
            // Drafted again at once, now begun on what the diary holds.
            w->drafts()->flush();
            const QList<Draft> again = parseDrafts(readAll(draftPath())).value_or(QList<Draft>{});
            QCOMPARE(again.size(), 1);
            QCOMPARE(again.first().body, left.body);
            QCOMPARE(again.first().basedOn,
                     entryFingerprint(storedBody.isEmpty() ? QString() : QStringLiteral("old"),
                                      storedBody));
            QVERIFY(backups().isEmpty());
            QTest::keyClick(w, Qt::Key_F5);
            QCOMPARE(stored().value(QStringLiteral("261205")), (Entry{left.title, left.body}));
        } else {
            QCOMPARE(w->CurrentKey, QStringLiteral("261207"));
            QVERIFY(!w->Modified);
            QCOMPARE(backups().size(), 1);
            QVERIFY2(backups().first().startsWith(QStringLiteral("draft-20")),
                     qPrintable(backups().first()));
            QCOMPARE(parseDrafts(backup(0)).value_or(QList<Draft>{}), QList<Draft>{left});
        }
        w->drafts()->flush();
        QVERIFY(!QFile::exists(draftPath()));
    }

    void correctionLeftoverReopensTheCorrectionWindow()
    {
        put(QStringLiteral("261205"), QStringLiteral("old"), QStringLiteral("old body"));
        leaveDraft(serializeDrafts({leftFor(kCorrectionWindow)}));
        start();
        QCOMPARE(fake->messages.size(), 1);
        QVERIFY(fake->messages.first().contains(QStringLiteral("文書修正")));
        sbEdt* e = sbEdt::loaded();
        QVERIFY(e);
        QCOMPARE(e->sYmn, QStringLiteral("261205"));
        QCOMPARE(e->uTxt->Text(), leftFor().body);
        QVERIFY(e->bChg);
        QVERIFY(!w->Modified);
        QVERIFY(e->close());
        QCOMPARE(stored().value(QStringLiteral("261205")),
                 (Entry{QStringLiteral("old"), leftFor().body}));
    }

    // Already in the diary, or not a whole draft: nothing to ask, and a torn file is
    // kept aside as it is.
    void leftoverIsNotOffered_data()
    {
        QTest::addColumn<QByteArray>("left");
        QTest::addColumn<int>("keptAside");
        QTest::newRow("already stored") << serializeDrafts({leftFor()}) << 0;
        QTest::newRow("torn") << serializeDrafts({leftFor()}).chopped(20) << 1;
    }
    void leftoverIsNotOffered()
    {
        QFETCH(QByteArray, left);
        QFETCH(int, keptAside);
        put(QStringLiteral("261205"), leftFor().title, leftFor().body);
        leaveDraft(left);
        start();
        QVERIFY(fake->messages.isEmpty());
        w->drafts()->flush();
        QVERIFY(!QFile::exists(draftPath()));
        QCOMPARE(backups().size(), keptAside);
        if (keptAside) QCOMPARE(backup(0), left);
    }
};

QTEST_MAIN(TestDrafts)
#include "tst_drafts.moc"
