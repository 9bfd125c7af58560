// The tools menu driven through the main window: restoring a snapshot, export and
// import with their questions answered from a script, and the progress box.

#include "BackgroundSnapshot.h"
#include "ConflictDialog.h"
#include "DateKey.h"
#include "Diary.h"
#include "DiaryEncryption.h"
#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "DiaryKeys.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "IdleLock.h"
#include "KeepAsk.h"
#include "KeySlot.h"
#include "LockWindow.h"
#include "MainWindow.h"
#include "MonthCalendar.h"
#include "ProgressBox.h"
#include "RecoveryKey.h"
#include "RestoreDialog.h"
#include "Store.h"
#include "YearWindow.h"
#include "fmTxt.h"
#include "uTxA.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressDialog>
#include <QTableWidget>
#include <QTest>

#include <chrono>

using namespace drv;
using namespace drv::keep;
using drv::test::digest;

Q_DECLARE_METATYPE(std::optional<drv::keep::Resolution>)

namespace {

// Answers the tools commands' questions from a script and records what they were shown.
class ScriptedAsk final : public KeepAsk {
public:
    bool chooseSnapshot(QWidget*, const QList<SnapshotChoice>& list, int& index) override
    {
        snapshots = list;
        index = snapshotIndex;
        return index >= 0;
    }
    bool chooseExport(QWidget*, ExportOptions& options, QString& path) override
    {
        options = exportOptions;
        path = file;
        return !file.isEmpty();
    }
    bool chooseImport(QWidget*, QString& path, Format& format) override
    {
        path = file;
        format = formatOfFile(file);
        return !file.isEmpty();
    }
    bool resolveConflicts(QWidget*, const ImportPlan& p, QList<Resolution>& c) override
    {
        plan = p;
        if (!resolution) return false;
        c = QList<Resolution>(p.conflicts.size(), *resolution);
        return true;
    }

    int snapshotIndex = -1;
    ExportOptions exportOptions;
    QString file;
    std::optional<Resolution> resolution;
    QList<SnapshotChoice> snapshots;
    ImportPlan plan;
};

QStringList listedKeys(const fmTxt& w)
{
    QStringList keys;
    for (int r = 0; r < w.vSpr->rowCount(); ++r)
        keys << DateKey::fromDisplay(w.vSpr->item(r, 0)->text());
    return keys;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

class TestKeepWin : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;
    std::unique_ptr<fmTxt> w;
    ScriptedAsk ask;
    QString scratch(const QString& name) const { return fake->root.path() + u'/' + name; }

    // Types into the title box, as the user does, without saving.
    void typeTitle(const QString& text)
    {
        w->vTTL->setText(text);
        QVERIFY(w->Modified);
    }

private Q_SLOTS:
    void init()
    {
        fake = test::startDiary();
        ask = ScriptedAsk();
        setKeepAsk(&ask);
        // Today is 2026-12-07; the 3rd and today hold entries.
        QVERIFY(DbOpen());
        QVERIFY(diary::save("261203", "三日", "三日の文"));
        QVERIFY(diary::save("261207", "七日", "七日の文"));
        DbClose();
        w.reset(test::openMainWindow());
        QVERIFY(w);
    }
    void cleanup()
    {
        IdleLock::instance().start({});
        fmTxt::closeLookback();
        BackgroundSnapshot::stop();
        w.reset();
        DbClose();
        setKeepAsk(nullptr);
        fake.reset();
    }

    // The menu tree as it was, and the tools after the settings.
    void toolsMenuComesAfterSettings()
    {
        QStringList tops;
        for (QAction* a : w->menuBar()->actions())
            tops << a->text();
        QCOMPARE(tops, (QStringList{"日誌(&F)", "編集(&E)", "参照(&L)", "日付(&D)", "設定(&U)",
                                    "ﾂｰﾙ(&T)"}));
        QStringList tools;
        for (QAction* a : w->mnTool)
            tools << a->text();
        QCOMPARE(tools, (QStringList{"ﾊﾞｯｸｱｯﾌﾟから復元…", "書き出し…", "読み込み…", "暗号化…",
                                     "ﾊﾟｽﾜｰﾄﾞの変更…", "ｷｰﾘﾝｸﾞで開く", "写しのフォルダー…",
                                     "自動ロック…"}));
        QCOMPARE(w->menuAt(5)->actions(), w->mnTool);
    }

    void toolsMenuOpensWithAltT()
    {
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QTest::keyClick(w.get(), Qt::Key_T, Qt::AltModifier);
        QTRY_COMPARE(QApplication::activePopupWidget(), w->menuAt(5));
        w->menuAt(5)->hide();
    }

    // The change on screen is saved and snapshotted before the restore; then the
    // window shows the restored diary: the entry, the month list and the bold days.
    void restoreSnapshotsFirstAndShowsTheRestoredDiary()
    {
        QString made, reason;
        QCOMPARE(takeSnapshot(diaryPath(), snapshotFolder(),
                              QDateTime(QDate(2026, 12, 6), QTime(9, 0)), true, {}, {}, made,
                              reason),
                 SnapshotOutcome::Made);
        QVERIFY(diary::save("261204", "四日", "あとで足した"));
        w->ShowDiaryAgain();
        typeTitle(QStringLiteral("書きかけ"));
        ask.snapshotIndex = 0;
        w->mnTool_Click(fmTxt::RestoreItem);

        QCOMPARE(ask.snapshots.size(), 1);
        QCOMPARE(ask.snapshots.first().summary.entries, 2);
        QCOMPARE(ask.snapshots.first().summary.newestKey, QStringLiteral("261207"));
        QVERIFY2(
            fake->messages.first().contains(QStringLiteral("2026/12/06 のバックアップ (2 件)")),
            qPrintable(fake->messages.join('\n')));
        QCOMPARE(w->vTTL->text(), QStringLiteral("七日"));
        QVERIFY(!w->Modified);
        QCOMPARE(listedKeys(*w), (QStringList{"261203", "261207"}));
        QVERIFY(!w->vCLn->boldDays().contains(QDate(2026, 12, 4)));
        QVERIFY(w->vCLn->boldDays().contains(QDate(2026, 12, 3)));

        // What was on screen and the day added later are in the snapshot taken first.
        const QList<Snapshot> list = listSnapshots(snapshotFolder());
        QCOMPARE(list.size(), 2);
        QVERIFY(!list.first().daily);
        DiarySummary before;
        QVERIFY(summarizeDiaryFile(list.first().path, before, reason));
        QCOMPARE(before.entries, 3);
        QCOMPARE(before.newestTitle, QStringLiteral("書きかけ"));
    }

    // The newest snapshot that can be read is chosen when the list opens: Return alone
    // restores it.
    void restoreListWorksFromTheKeyboard_data()
    {
        QTest::addColumn<bool>("newestReadable");
        QTest::addColumn<int>("chosen");
        QTest::newRow("newest readable") << true << 0;
        QTest::newRow("newest unreadable") << false << 1;
    }
    void restoreListWorksFromTheKeyboard()
    {
        QFETCH(bool, newestReadable);
        QFETCH(int, chosen);
        QList<SnapshotChoice> list(3);
        for (int i = 0; i < list.size(); ++i)
            list[i].snapshot.taken = QDateTime(QDate(2026, 12, 6 - i), QTime(9, 0));
        if (!newestReadable) list[0].unreadable = QStringLiteral("壊れています");
        RestoreDialog d(list, w.get());
        d.show();
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QVERIFY(qobject_cast<QTableWidget*>(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.chosen(), chosen);
    }

    void restoreCancelledChangesNothing()
    {
        QString made, reason;
        QCOMPARE(takeSnapshot(diaryPath(), snapshotFolder(),
                              QDateTime(QDate(2026, 12, 6), QTime(9, 0)), true, {}, {}, made,
                              reason),
                 SnapshotOutcome::Made);
        const QByteArray before = digest(diaryPath());
        ask.snapshotIndex = 0;
        fake->confirmAnswers = {false};
        w->mnTool_Click(fmTxt::RestoreItem);
        QCOMPARE(digest(diaryPath()), before);
        QCOMPARE(listSnapshots(snapshotFolder()).size(), 1);
    }

    // Taken days are asked about; new ones are added; the window shows the result.
    void importAsksAboutTakenDaysAndShowsTheResult_data()
    {
        QTest::addColumn<std::optional<Resolution>>("resolution");
        QTest::addColumn<QString>("todaysTitle");
        QTest::newRow("replace") << std::optional(Resolution::Replace) << "新しい七日";
        QTest::newRow("keep") << std::optional(Resolution::Keep) << "七日";
        QTest::newRow("cancelled") << std::optional<Resolution>() << "七日";
    }
    void importAsksAboutTakenDaysAndShowsTheResult()
    {
        QFETCH(std::optional<Resolution>, resolution);
        QFETCH(QString, todaysTitle);
        ask.file = scratch(QStringLiteral("in.md"));
        writeFile(ask.file, "# 2026-12-07 新しい七日\n\n別の文\n\n# 2026-12-05 五日\n\n五日の文\n\n"
                            "# 2026-12-03 三日\n\n三日の文\n\n");
        ask.resolution = resolution;
        const QByteArray before = digest(diaryPath());
        w->mnTool_Click(fmTxt::ImportItem);
        QCOMPARE(ask.plan.conflicts.size(), 1);
        QCOMPARE(ask.plan.conflicts.first().existing.szTtl, QStringLiteral("七日"));
        QCOMPARE(ask.plan.unchanged, 1);
        QCOMPARE(w->vTTL->text(), todaysTitle);
        if (!resolution) {
            QCOMPARE(digest(diaryPath()), before);
            QCOMPARE(listedKeys(*w), (QStringList{"261203", "261207"}));
            return;
        }
        QCOMPARE(listedKeys(*w), (QStringList{"261203", "261205", "261207"}));
        QVERIFY(w->vCLn->boldDays().contains(QDate(2026, 12, 5)));
        QVERIFY2(fake->messages.last().contains(QStringLiteral("追加 1 件")),
                 qPrintable(fake->messages.join('\n')));
    }

    void malformedImportSaysWhereAndChangesNothing()
    {
        ask.file = scratch(QStringLiteral("in.json"));
        writeFile(ask.file,
                  "[\n{\"date\":\"2026-12-05\",\"body\":\"x\"},\n{\"date\":\"2026-02-30\"}\n]");
        const QByteArray before = digest(diaryPath());
        w->mnTool_Click(fmTxt::ImportItem);
        QCOMPARE(fake->messages.size(), 1);
        QVERIFY2(fake->messages.first().startsWith(
                     QStringLiteral("in.json を読み込めません。\n3 行目: ")),
                 qPrintable(fake->messages.first()));
        QCOMPARE(digest(diaryPath()), before);
    }

    // The export holds what is on screen; a CP932 export lists what it cannot hold, and
    // declining writes nothing.
    void exportSavesTheShownEntryAndListsLosses()
    {
        typeTitle(QStringLiteral("波〜"));
        ask.file = scratch(QStringLiteral("out.txt"));
        ask.exportOptions = {Format::Text, Encoding::Cp932, {}, {}};
        fake->confirmAnswers = {false};
        w->mnTool_Click(fmTxt::ExportItem);
        QVERIFY(!QFile::exists(ask.file));
        QCOMPARE(fake->messages.size(), 1);
        QVERIFY(fake->messages.first().contains(QStringLiteral("2026-12-07: 〜\n")));

        ask.exportOptions.encoding = Encoding::Utf8;
        w->mnTool_Click(fmTxt::ExportItem);
        QFile f(ask.file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("■2026-12-07 波〜\n七日の文\n"));
        QVERIFY(fake->messages.last().startsWith(QStringLiteral("2 件を ")));
    }

    // Switching on: the password twice, the recovery key shown; the change on screen is
    // saved first and the window shows the diary again. An export then asks the password
    // and warns of plain text. Switching off takes the password.
    void encryptionSwitchesOnAndOffFromTheToolsMenu()
    {
        vault::setPasswordCost({1, 8u << 20});
        typeTitle(QStringLiteral("七日の題"));
        fake->promptAnswers = {QStringLiteral("pw"), QStringLiteral("pw")};
        w->mnTool_Click(fmTxt::EncryptItem);
        QVERIFY(DbIsEncrypted());
        QCOMPARE(fake->messages.size(), 3);
        // What stays visible is said before anything is done.
        QVERIFY(fake->messages.at(0).contains(QStringLiteral("日付、記事の数、記事の長さ")));
        QVERIFY(fake->messages.at(1).startsWith(QStringLiteral("回復キー")));
        QCOMPARE(fake->messages.last(), QStringLiteral("日記を暗号化しました"));
        QCOMPARE(w->vTTL->text(), QStringLiteral("七日の題"));
        QVERIFY(!w->Modified);
        QCOMPARE(test::firstColumn(diaryPath(), QStringLiteral("select typeof(szTtl) from tbDoc")),
                 (QStringList{"blob", "blob"}));

        ask.file = scratch(QStringLiteral("out.txt"));
        ask.exportOptions = {Format::Text, Encoding::Utf8, {}, {}};
        fake->promptAnswers = {QStringLiteral("wrong")};
        w->mnTool_Click(fmTxt::ExportItem);
        QVERIFY(!QFile::exists(ask.file));
        fake->promptAnswers = {QStringLiteral("pw")};
        fake->confirmAnswers = {true};
        w->mnTool_Click(fmTxt::ExportItem);
        QVERIFY(fake->messages.contains(QStringLiteral("パスワードが違います")));
        QFile f(ask.file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("七日の題"));

        fake->promptAnswers = {QStringLiteral("pw")};
        w->mnTool_Click(fmTxt::EncryptItem);
        QVERIFY(!DbIsEncrypted());
        QCOMPARE(fake->messages.last(), QStringLiteral("暗号化を解除しました"));
        QCOMPARE(test::firstColumn(diaryPath(), QStringLiteral("select szTtl from tbDoc")),
                 (QStringList{"三日", "七日の題"}));
    }

    // The keyring's item can be chosen for an encrypted diary only; it is checked exactly
    // when the diary opens from the keyring, also after a turn-on that was cancelled.
    void keyringItemFollowsTheDiary()
    {
        QAction* item = w->mnTool[fmTxt::KeyringItem];
        auto shown = [&] {
            Q_EMIT w->menuAt(5)->aboutToShow();
            return QString::fromLatin1(item->isEnabled() ? "enabled" : "disabled") +
                   (item->isChecked() ? "+checked" : "");
        };
        QCOMPARE(shown(), QStringLiteral("disabled"));
        vault::setPasswordCost({1, 8u << 20});
        fake->promptAnswers = {QStringLiteral("pw"), QStringLiteral("pw")};
        w->mnTool_Click(fmTxt::EncryptItem);
        QCOMPARE(shown(), QStringLiteral("enabled"));
        fake->promptAnswers = {QStringLiteral("wrong")};
        item->trigger();
        QCOMPARE(shown(), QStringLiteral("enabled"));
        QVERIFY(fake->keyring.items.isEmpty());
        fake->promptAnswers = {QStringLiteral("pw")};
        item->trigger();
        QCOMPARE(fake->messages.last(), QStringLiteral("次からはキーリングで開きます"));
        QCOMPARE(shown(), QStringLiteral("enabled+checked"));
        QCOMPARE(fake->keyring.items.size(), 1);
        item->trigger();
        QCOMPARE(shown(), QStringLiteral("enabled"));
        QVERIFY(fake->keyring.items.isEmpty());
    }

    // The idle lock of an encrypted diary, set from the tools menu: after the idle time the
    // entry and the year at a glance are hidden while the password is asked; the right
    // one shows them as they were, the unsaved title still there and never written in
    // plain. Cancel leaves the lock window, whose button asks again and whose end saves.
    void idleLock_data()
    {
        QTest::addColumn<QVariantList>("answers"); // at the lock, then to the lock window
        QTest::addColumn<QString>("button");       // clicked on the lock window afterwards
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<bool>("shown");
        const QVariant cancel;
        const QString pw = QStringLiteral("pw"), wrong = QStringLiteral("wrong");
        QTest::newRow("right") << QVariantList{pw} << "" << QStringList() << true;
        QTest::newRow("wrong, then right")
            << QVariantList{wrong, pw} << "" << QStringList{"パスワードが違います"} << true;
        QTest::newRow("cancel keeps it locked")
            << QVariantList{cancel} << "" << QStringList() << false;
        QTest::newRow("cancel, then unlocked from the lock window")
            << QVariantList{cancel, wrong, pw} << "unlockButton"
            << QStringList{"パスワードが違います"} << true;
        QTest::newRow("cancel, then ended from the lock window")
            << QVariantList{cancel} << "endButton" << QStringList() << false;
    }
    void idleLock()
    {
        QFETCH(QVariantList, answers);
        QFETCH(QString, button);
        QFETCH(QStringList, said);
        QFETCH(bool, shown);
        IdleLock& lock = IdleLock::instance();
        vault::setPasswordCost({1, 8u << 20});
        fake->promptAnswers = {QStringLiteral("pw"), QStringLiteral("pw")};
        w->mnTool_Click(fmTxt::EncryptItem);
        QVERIFY(DbIsEncrypted());
        fake->promptAnswers = {QStringLiteral("5")};
        w->mnTool_Click(fmTxt::IdleLockItem);
        QCOMPARE(IdleLock::storedMinutes(), 5);
        QVERIFY(lock.idleTime() == std::chrono::minutes(5));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->showLookback(QStringLiteral("一年の一覧"));
        QWidget* year = &YearWindow::instance();
        QVERIFY(year->isVisible());
        const QString title = QStringLiteral("鍵のかかる前の題");
        typeTitle(title);
        const QByteArray before = test::digest(diaryPath());
        bool ended = false;
        lock.setEnd([&] { return ended = w->close(); });
        QList<bool> visibleWhileAsked;
        fake->onPrompt = [&] { visibleWhileAsked << (w->isVisible() || year->isVisible()); };
        fake->messages.clear();
        fake->promptAnswers = answers;
        lock.start(std::chrono::milliseconds(50));
        QTRY_VERIFY_WITH_TIMEOUT(!visibleWhileAsked.isEmpty(), 10000);
        lock.start({}); // no second lock
        if (!button.isEmpty()) {
            QVERIFY(lock.lockWindow()->isVisible());
            QTest::mouseClick(lock.lockWindow()->findChild<QAbstractButton*>(button),
                              Qt::LeftButton);
        }
        fake->onPrompt = {};
        QCOMPARE(visibleWhileAsked, QList<bool>(answers.size(), false));
        QCOMPARE(fake->messages, said);
        QCOMPARE(lock.locked(), !shown && !ended);
        QCOMPARE(w->isVisible(), shown);
        QCOMPARE(year->isVisible(), shown);
        QCOMPARE(lock.lockWindow()->isVisible(), !shown && !ended);
        QCOMPARE(test::filesHolding(sUsrFld, title.toUtf8()), QStringList());
        if (ended) {
            // Ended as the close box does: the entry was saved, sealed.
            fake->promptAnswers = {QStringLiteral("pw")};
            QVERIFY(DbOpen());
            QString stored, body;
            QVERIFY(diary::read(QStringLiteral("261207"), stored, body));
            QCOMPARE(stored, title);
            return;
        }
        QCOMPARE(w->vTTL->text(), title);
        QVERIFY(w->Modified);
        QCOMPARE(test::digest(diaryPath()), before);
        if (shown) return;
        fake->promptAnswers = {QStringLiteral("pw")};
        lock.lockWindow()->findChild<QAbstractButton*>(QStringLiteral("unlockButton"))->click();
        QVERIFY(!lock.locked() && w->isVisible());
    }

    // At start the password comes before any entry: a wrong one is said and asked again,
    // Cancel ends the start with the diary untouched.
    void startAsksThePasswordBeforeShowingEntries()
    {
        vault::setPasswordCost({1, 8u << 20});
        w.reset();
        DbClose();
        QString reason;
        QVERIFY(encryption::switchOn(diaryPath(), QStringLiteral("pw"), vault::newRecoveryKey(), {},
                                     reason));
        const QByteArray before = test::digest(diaryPath());
        fake->promptAnswers = {QStringLiteral("x"), QVariant()};
        w.reset(test::openMainWindow());
        QVERIFY(!w);
        QVERIFY(DbOpenCancelled());
        QCOMPARE(test::digest(diaryPath()), before);
        fake->messages.clear();
        fake->promptAnswers = {QStringLiteral("x"), QStringLiteral("pw")};
        w.reset(test::openMainWindow());
        QVERIFY(w);
        QCOMPARE(fake->messages, QStringList{QStringLiteral("パスワードが違います")});
        QCOMPARE(w->vTTL->text(), QStringLiteral("七日"));
    }

    void conflictDialogGivesTheSelectedDaysTheChoice()
    {
        ImportPlan plan;
        for (const char* k : {"261201", "261202", "261203"})
            plan.conflicts << Conflict{{k, "新", "b"}, {k, "元", "a"}, 1};
        ConflictDialog d(plan, fake->date, w.get());
        QCOMPARE(d.choices(), QList<Resolution>(3, Resolution::Keep));
        d.table()->clearSelection();
        d.table()->setSelectionMode(QAbstractItemView::MultiSelection);
        d.table()->selectRow(0);
        d.table()->selectRow(2);
        d.choose(Resolution::Append);
        QCOMPARE(d.choices(),
                 (QList<Resolution>{Resolution::Append, Resolution::Keep, Resolution::Append}));
        QCOMPARE(d.table()->item(1, 3)->text(), QStringLiteral("今のまま"));
        d.table()->selectAll();
        d.choose(Resolution::Replace);
        QCOMPARE(d.choices(), QList<Resolution>(3, Resolution::Replace));
    }

    // The box appears for work that goes on, and its cancel button stops the work.
    void progressBoxCancelStopsTheWork()
    {
        ProgressBox box(w.get(), QStringLiteral("テスト"));
        const Progress progress = box.progress();
        QProgressDialog* dialog = w->findChild<QProgressDialog*>();
        QVERIFY(dialog);
        QDeadlineTimer deadline(20000);
        while (!dialog->isVisible() && !deadline.hasExpired()) {
            QVERIFY(progress(1, 10));
            QTest::qWait(10);
        }
        QVERIFY(dialog->isVisible());
        QAbstractButton* cancel = dialog->findChild<QAbstractButton*>();
        QVERIFY(cancel);
        cancel->click();
        QTRY_VERIFY(!progress(2, 10));
        QVERIFY(box.cancelled());
    }

    // At start the day gets its snapshot once, however often the program starts.
    void backgroundSnapshotOncePerDay()
    {
        BackgroundSnapshot::startLater(0);
        QTRY_COMPARE(listSnapshots(snapshotFolder()).size(), 1);
        BackgroundSnapshot::wait();
        BackgroundSnapshot::startLater(0);
        QTest::qWait(50);
        BackgroundSnapshot::wait();
        const QList<Snapshot> list = listSnapshots(snapshotFolder());
        QCOMPARE(list.size(), 1);
        QCOMPARE(list.first().taken.date(), fake->date);
        QString reason;
        QVERIFY(checkDiaryFile(list.first().path, reason));
    }
};

QTEST_MAIN(TestKeepWin)
#include "tst_keepwin.moc"
