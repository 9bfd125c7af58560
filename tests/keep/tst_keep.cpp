// Keeping and moving the diary: export and import in every format, the import's
// conflicts and its single transaction, snapshots, their rotation, and restoring one.

#include "DateKey.h"
#include "Diary.h"
#include "DiaryBatch.h"
#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "Export.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "Import.h"
#include "JsonFormat.h"
#include "LineFormat.h"
#include "SnapshotPolicy.h"
#include "Snapshots.h"
#include "SqlQuery.h"
#include "Store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>

#include <sqlite3.h>

using namespace drv;
using namespace drv::keep;
using drv::test::digest;

Q_DECLARE_METATYPE(drv::keep::Format)
Q_DECLARE_METATYPE(drv::keep::Encoding)
Q_DECLARE_METATYPE(drv::keep::Resolution)
Q_DECLARE_METATYPE(drv::diary::BatchOutcome)
Q_DECLARE_METATYPE(drv::DiaryEntry)

namespace drv {
// Failures show the entry, not just that two differ.
char* toString(const DiaryEntry& e)
{
    return QTest::toString(QStringLiteral("%1|%2|%3").arg(e.skYmn, e.szTtl, e.szDoc));
}
} // namespace drv

namespace {

// Entries that have broken diary formats before: quotes and question marks, emoji and
// joined emoji, CR LF and lone CRs, empty titles and bodies, lines that look like the
// formats' own headings, titles with line feeds, keys of both centuries of the window.
QList<DiaryEntry> trickyEntries(bool cp932Only)
{
    const QStringList pieces = {QStringLiteral("雨のち晴れ"), QStringLiteral("It's \"fine\"?"),
                                QStringLiteral("？？"),       QStringLiteral("\r\n"),
                                QStringLiteral("\n"),         QStringLiteral("\n\n"),
                                QStringLiteral("■見出し"),    QStringLiteral("\n■2026-01-01 偽"),
                                QStringLiteral("\n# 偽"),     QStringLiteral("\n\\■"),
                                QStringLiteral("\n\\\\# x"),  QStringLiteral("\\"),
                                QStringLiteral("\t "),        QStringLiteral("\r"),
                                QStringLiteral("①～"),        QStringLiteral("{\"a\":[1]}"),
                                QStringLiteral("ｶﾀｶﾅ")};
    const QStringList wide = {QStringLiteral("😀"), QStringLiteral("👨‍👩‍👧"),
                              QStringLiteral("〜"), QStringLiteral("鷗")};
    QRandomGenerator rnd(20261207);
    auto text = [&](int parts) {
        QString s;
        for (int i = 0; i < parts; ++i) {
            if (!cp932Only && rnd.bounded(5) == 0)
                s += wide.at(rnd.bounded(int(wide.size())));
            else
                s += pieces.at(rnd.bounded(int(pieces.size())));
        }
        return s;
    };
    QList<DiaryEntry> rows;
    // 1947 to 2046: both centuries, and both ends of the window.
    QList<QDate> days = {QDate(1947, 1, 1), QDate(1999, 12, 31), QDate(2000, 1, 1),
                         QDate(2046, 12, 31), QDate(2024, 2, 29)};
    for (int i = 0; i < 40; ++i)
        days << QDate(1947 + rnd.bounded(100), 1 + rnd.bounded(12), 1 + rnd.bounded(28));
    for (int i = 0; i < days.size(); ++i) {
        DiaryEntry e;
        e.skYmn = DateKey::fromDate(days.at(i));
        e.szTtl = i % 4 == 0 ? QString() : text(1 + rnd.bounded(2));
        e.szDoc = i % 9 == 0 ? QString() : text(1 + rnd.bounded(12));
        if (i % 11 == 5) e.szTtl = QStringLiteral("二行の\n表題\\n");
        if (i % 13 == 6) e.szTtl = QStringLiteral(" 空白で始まる ");
        if (i % 5 == 3) e.szDoc += u'\n';
        rows << e;
    }
    return rows;
}

QList<DiaryEntry> everyEntry()
{
    QList<DiaryEntry> all;
    const bool ok = diary::walk(500, [&](const QList<DiaryEntry>& page) {
        all << page;
        return true;
    });
    if (!ok) all.clear();
    return all;
}

bool saveAll(const QList<DiaryEntry>& rows)
{
    for (const DiaryEntry& e : rows)
        if (!diary::save(e.skYmn, e.szTtl, e.szDoc)) return false;
    return true;
}

// Who may read and write a file: owner, group and others, not how this user sees it.
QFileDevice::Permissions access(const QString& path)
{
    return QFileInfo(path).permissions() & QFileDevice::Permissions(0x7077);
}

QString fileText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

class TestKeep : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;
    QDate today() const { return fake->date; }
    QString scratch(const QString& name) const { return fake->root.path() + u'/' + name; }

    // Closes the diary and opens a fresh empty one in another folder.
    void openEmptyDiary(const QString& folder)
    {
        DbClose();
        sUsrFld = fake->makeDir(folder) + u'/';
        QVERIFY(DbOpen());
    }

    // The whole pipeline with one choice for every conflict.
    ImportCounts importFile(const QString& path, Format format, Resolution choice,
                            diary::BatchOutcome expected = diary::BatchOutcome::Written)
    {
        const SourceResult read = readDiaryFile(path, format, today(), {});
        [&] { QVERIFY2(read.ok(), qPrintable(read.error)); }();
        ImportPlan plan;
        [&] { QVERIFY(planImport(read.entries, plan)); }();
        ImportCounts counts;
        const QList<Resolution> choices(plan.conflicts.size(), choice);
        const auto rows = resolveImport(plan, choices, counts);
        [&] { QCOMPARE(diary::writeBatch(rows, {}), expected); }();
        return counts;
    }

private Q_SLOTS:
    void init()
    {
        fake = test::startDiary();
        QVERIFY(DbOpen());
    }
    void cleanup()
    {
        DbClose();
        fake.reset();
    }

    // --- export and import --------------------------------------------------
    void roundTripGivesIdenticalRows_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<Encoding>("encoding");
        QTest::addColumn<QString>("name");
        QTest::newRow("text, UTF-8") << Format::Text << Encoding::Utf8 << "diary.txt";
        QTest::newRow("text, CP932") << Format::Text << Encoding::Cp932 << "diary.txt";
        QTest::newRow("Markdown") << Format::Markdown << Encoding::Utf8 << "diary.md";
        QTest::newRow("JSON") << Format::Json << Encoding::Utf8 << "diary.json";
    }
    void roundTripGivesIdenticalRows()
    {
        QFETCH(Format, format);
        QFETCH(Encoding, encoding);
        QFETCH(QString, name);
        QVERIFY(saveAll(trickyEntries(encoding == Encoding::Cp932)));
        const QList<DiaryEntry> before = everyEntry();
        QVERIFY(before.size() > 30);
        const QString path = scratch(name);
        ExportOptions options{format, encoding, {}, {}};
        const ExportResult out = exportDiary(path, options, today(), {}, {});
        QCOMPARE(out.outcome, ExportResult::Written);
        QCOMPARE(out.written, int(before.size()));
        QVERIFY(out.unencodable.isEmpty());
        QCOMPARE(formatOfFile(path), format);

        openEmptyDiary(QStringLiteral("other"));
        const ImportCounts counts = importFile(path, format, Resolution::Keep);
        QCOMPARE(counts.added, int(before.size()));
        QCOMPARE(everyEntry(), before);
        // A second import finds every day as it is.
        QCOMPARE(importFile(path, format, Resolution::Replace).unchanged, int(before.size()));
        QCOMPARE(fake->messages, QStringList());
    }

    void exportWritesDatesThroughTheWindowAndOnlyTheRange()
    {
        QVERIFY(saveAll({{"991231", "", "a"}, {"000101", "t", "b"}, {"461231", "", ""}}));
        const QString path = scratch(QStringLiteral("range.json"));
        ExportOptions options{Format::Json, Encoding::Utf8, QDate(1999, 12, 31), QDate(2000, 1, 1)};
        QCOMPARE(exportDiary(path, options, today(), {}, {}).written, 2);
        QCOMPARE(fileText(path),
                 QStringLiteral("[\n{\"key\":\"991231\",\"date\":\"1999-12-31\",\"title\":\"\","
                                "\"body\":\"a\"},\n{\"key\":\"000101\",\"date\":\"2000-01-01\","
                                "\"title\":\"t\",\"body\":\"b\"}\n]\n"));
        const QString md = scratch(QStringLiteral("all.md"));
        options = {Format::Markdown, Encoding::Utf8, {}, {}};
        QCOMPARE(exportDiary(md, options, today(), {}, {}).written, 3);
        QCOMPARE(fileText(md), QStringLiteral("# 1999-12-31\n\na\n\n# 2000-01-01 t\n\nb\n\n"
                                              "# 2046-12-31\n\n\n"));
        QCOMPARE(access(md), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    // Nothing is dropped silently: the entries are listed first, and declining writes nothing.
    void cp932ExportListsWhatItCannotHold()
    {
        QVERIFY(saveAll(
            {{"261201", "波〜", "😀と鷗"}, {"261202", "", "ただの文"}, {"261203", "", "髙①～"}}));
        const QString path = scratch(QStringLiteral("sjis.txt"));
        QList<Unencodable> listed;
        auto decline = [&](const QList<Unencodable>& l) {
            listed = l;
            return false;
        };
        const ExportOptions options{Format::Text, Encoding::Cp932, {}, {}};
        QCOMPARE(exportDiary(path, options, today(), {}, decline).outcome, ExportResult::Cancelled);
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed.first().key, QStringLiteral("261201"));
        QCOMPARE(listed.first().characters, QStringLiteral("〜😀鷗"));

        QCOMPARE(exportDiary(path, options, today(), {}, [](const auto&) { return true; }).outcome,
                 ExportResult::Written);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.startsWith("\x81\xa1"
                                 "2026-12-01 \x94\x67\x81\xac\r\n\x81\xac"));
        QVERIFY(bytes.contains("\xfb\xfc\x87\x40\x81\x60")); // 髙①～ as CP932 holds them
    }

    void malformedInputNamesTheLine_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("says");
        QTest::newRow("text before the first heading")
            << Format::Text << QByteArray("\nメモ\n■2026-12-07 t\n") << 2 << "前に文章";
        QTest::newRow("a heading's date")
            << Format::Text << QByteArray("■2026-12-07\nx\n\n■2026-13-01 t\n") << 4 << "2026-13-01";
        QTest::newRow("a date outside the window")
            << Format::Markdown << QByteArray("# 1946-12-31\n\nx\n") << 1 << "1947 年から 2046 年";
        QTest::newRow("a day twice")
            << Format::Text << QByteArray("■261207\n\n■2026-12-07 b\n") << 3 << "初めは 1 行目";
        QTest::newRow("a title's escape")
            << Format::Text << QByteArray("■2026-12-07\\a\\x\n") << 1 << "n か";
        QTest::newRow("not Shift-JIS either") << Format::Text
                                              << QByteArray("\x81\xa1"
                                                            "2026-12-07\n\x82\nok\n")
                                              << 2 << "Shift-JIS";
        QTest::newRow("JSON: a missing comma")
            << Format::Json << QByteArray("[\n{\"key\":\"261207\"}\n{\"key\":\"261208\"}\n]") << 3
            << "「,」か「]」が要るところに「{」";
        QTest::newRow("JSON: key and date disagree")
            << Format::Json << QByteArray("[\n\n{\"key\":\"261207\",\n\"date\":\"2026-12-08\"}]")
            << 3 << "合いません";
        QTest::newRow("JSON: a raw line feed in a string")
            << Format::Json << QByteArray("[{\"key\":\"261207\",\"body\":\"a\nb\"}]") << 1
            << "改行";
        QTest::newRow("JSON: no day") << Format::Json << QByteArray("[{},\n{\"title\":\"t\"}]") << 1
                                      << "\"key\" も \"date\" も";
        QTest::newRow("JSON: bad UTF-8")
            << Format::Json << QByteArray("[\n{\"key\":\"\xff\"}]") << 2 << "UTF-8";
        QTest::newRow("JSON: not an array") << Format::Json << QByteArray("{}") << 1 << "「[」";
    }
    void malformedInputNamesTheLine()
    {
        QFETCH(Format, format);
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        QFETCH(QString, says);
        const QString path = scratch(QStringLiteral("bad"));
        writeFile(path, bytes);
        const SourceResult r = readDiaryFile(path, format, today(), {});
        QVERIFY(!r.ok());
        QVERIFY2(r.error.contains(says), qPrintable(r.error));
        QCOMPARE(r.errorLine, line);
    }

    // Text written elsewhere: CP932 with CR LF, a byte order mark, JSON laid out freely.
    void readsFilesWrittenByOtherTools_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("CP932, CR LF") << Format::Text
                                      << QByteArray("\r\n\x81\xa1"
                                                    "2026-12-07 \x94\x67\r\n\x82\xa0\r\n");
        QTest::newRow("UTF-8 with a byte order mark")
            << Format::Text << QByteArray("\xEF\xBB\xBF■2026-12-07 波\nあ");
        QTest::newRow("Markdown without blank lines")
            << Format::Markdown << QByteArray("# 2026-12-07 波\nあ\n");
        QTest::newRow("JSON of another tool")
            << Format::Json
            << QByteArray("[ { \"body\" : \"\\u3042\", \"tags\": [1, {\"x\": null}, true],\n"
                          "    \"date\": \"2026-12-07\", \"title\": \"\\u6ce2\" } ]");
    }
    void readsFilesWrittenByOtherTools()
    {
        QFETCH(Format, format);
        QFETCH(QByteArray, bytes);
        const QString path = scratch(QStringLiteral("other"));
        writeFile(path, bytes);
        const SourceResult r = readDiaryFile(path, format, today(), {});
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.entries.size(), 1);
        QCOMPARE(r.entries.first().entry, (DiaryEntry{"261207", "波", "あ"}));
    }

    // New days are added, the same entry is left alone, another one is kept, replaced or
    // followed by the imported text as chosen.
    void conflictsAreResolvedAsChosen_data()
    {
        QTest::addColumn<Resolution>("choice");
        QTest::addColumn<DiaryEntry>("result");
        QTest::newRow("keep") << Resolution::Keep << DiaryEntry{"261201", "元", "元の文"};
        QTest::newRow("replace") << Resolution::Replace << DiaryEntry{"261201", "新", "新しい文"};
        QTest::newRow("append") << Resolution::Append
                                << DiaryEntry{"261201", "元", "元の文\n\n新\n新しい文"};
    }
    void conflictsAreResolvedAsChosen()
    {
        QFETCH(Resolution, choice);
        QFETCH(DiaryEntry, result);
        QVERIFY(saveAll({{"261201", "元", "元の文"}, {"261202", "同", "同じ"}}));
        const QString path = scratch(QStringLiteral("in.txt"));
        writeFile(path, "■2026-12-01 新\n新しい文\n\n■2026-12-02 同\n同じ\n\n■2026-12-03\nx\n");
        const ImportCounts counts = importFile(path, Format::Text, choice);
        QCOMPARE(counts.added, 1);
        QCOMPARE(counts.unchanged, 1);
        QCOMPARE(counts.kept + counts.replaced + counts.appended, 1);
        QCOMPARE(everyEntry(),
                 (QList<DiaryEntry>{result, {"261202", "同", "同じ"}, {"261203", "", "x"}}));
    }

    void appendNeverLosesTheImportedTitle_data()
    {
        QTest::addColumn<DiaryEntry>("existing");
        QTest::addColumn<DiaryEntry>("incoming");
        QTest::addColumn<DiaryEntry>("result");
        QTest::newRow("no title yet") << DiaryEntry{"k", "", "a"} << DiaryEntry{"k", "t", "b"}
                                      << DiaryEntry{"k", "t", "a\n\nb"};
        QTest::newRow("same title") << DiaryEntry{"k", "t", "a"} << DiaryEntry{"k", "t", "b"}
                                    << DiaryEntry{"k", "t", "a\n\nb"};
        QTest::newRow("a title alone") << DiaryEntry{"k", "t", "a"} << DiaryEntry{"k", "u", ""}
                                       << DiaryEntry{"k", "t", "a\n\nu"};
        QTest::newRow("an empty body")
            << DiaryEntry{"k", "t", ""} << DiaryEntry{"k", "", "b"} << DiaryEntry{"k", "t", "b"};
    }
    void appendNeverLosesTheImportedTitle()
    {
        QFETCH(DiaryEntry, existing);
        QFETCH(DiaryEntry, incoming);
        QFETCH(DiaryEntry, result);
        QCOMPARE(appended(existing, incoming), result);
    }

    // One transaction: however the import ends early, the file is byte for byte as it was.
    void cancelledOrFailedImportChangesNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<diary::BatchOutcome>("outcome");
        QTest::newRow("cancelled while checking") << "check" << diary::BatchOutcome::Stopped;
        QTest::newRow("cancelled while writing") << "write" << diary::BatchOutcome::Stopped;
        QTest::newRow("a statement fails") << "fail" << diary::BatchOutcome::Failed;
        QTest::newRow("a day changed meanwhile") << "changed" << diary::BatchOutcome::Changed;
    }
    void cancelledOrFailedImportChangesNothing()
    {
        QFETCH(QString, how);
        QFETCH(diary::BatchOutcome, outcome);
        QVERIFY(saveAll({{"261201", "元", "元の文"}}));
        ImportPlan plan;
        QList<ImportedEntry> incoming = {{{"261201", "新", "上書き"}, 1}};
        for (int d = 1; d <= 300; ++d)
            incoming << ImportedEntry{{DateKey::fromDate(QDate(2020, 1, 1).addDays(d)), "t",
                                       QStringLiteral("本文 %1").arg(d)},
                                      d + 1};
        QVERIFY(planImport(incoming, plan));
        ImportCounts counts;
        const auto rows = resolveImport(plan, {Resolution::Replace}, counts);
        QCOMPARE(counts.added, 300);
        if (how == u"fail")
            test::direct(
                QStringLiteral("create trigger t before insert on tbDoc when "
                               "new.skYmn = '200601' begin select raise(abort, 'x'); end"));
        if (how == u"changed") QVERIFY(diary::save("200301", "ほかで", "書かれた"));
        const QByteArray before = digest(diaryPath());
        const qint64 checked = qint64(rows.size());
        const auto result = diary::writeBatch(rows, [&](qint64 done, qint64) {
            return how == u"check" ? done < checked / 2 : done < checked + checked / 2;
        });
        QCOMPARE(result, outcome);
        QCOMPARE(digest(diaryPath()), before);
        QCOMPARE(fake->messages.size(), how == u"fail" ? 1 : 0);
        QCOMPARE(everyEntry().size(), how == u"changed" ? 2 : 1);
        QString title, body;
        QVERIFY(diary::read("261201", title, body));
        QCOMPARE(body, QStringLiteral("元の文"));
    }

    // The commit of a batch is where the engine syncs everything it wrote: the window
    // must go on hearing progress while it runs. Another program's read holds the commit
    // until the third progress call after the last row lets it go; a commit that stopped
    // the calling thread would wait out the busy time and fail.
    void batchCommitKeepsProgressGoing()
    {
        QList<diary::BatchRow> rows;
        for (int d = 0; d < 20; ++d)
            rows << diary::BatchRow{{DateKey::fromDate(QDate(2021, 3, 1).addDays(d)), "t", "本文"},
                                    {}};
        sql::Connection reader;
        QString reason;
        QVERIFY2(reader.open(diaryPath(), SQLITE_OPEN_READONLY, reason), qPrintable(reason));
        QVERIFY(sql::quietRun(reader.handle(), QStringLiteral("begin")));
        QCOMPARE(sql::quietNumber(reader.handle(), QStringLiteral("select count(*) from tbDoc")),
                 0);
        int afterLastRow = 0;
        const auto result = diary::writeBatch(rows, [&](qint64 done, qint64 total) {
            if (done == total && ++afterLastRow == 3)
                sql::quietRun(reader.handle(), QStringLiteral("commit"));
            return true;
        });
        QCOMPARE(result, diary::BatchOutcome::Written);
        QVERIFY(afterLastRow >= 3);
        QCOMPARE(everyEntry().size(), rows.size());
    }

    // --- snapshots ------------------------------------------------------------
    void rotationKeepsTenNewestAndOnePerMonth_data()
    {
        QTest::addColumn<QList<QDate>>("taken");
        QTest::addColumn<int>("dropped");
        QTest::addColumn<QList<QDate>>("mustStay");
        QList<QDate> daily;
        for (int i = 0; i < 400; ++i)
            daily << QDate(2026, 12, 7).addDays(-i);
        // The 10 newest (12-07 back to 11-28) and the last day of each month of the year
        // before, 2026-10-31 back to 2025-12-31 (November's newest is among the ten).
        QTest::newRow("every day for 400 days")
            << daily << 400 - 10 - 11
            << QList<QDate>{QDate(2026, 11, 28), QDate(2026, 10, 31), QDate(2025, 12, 31)};
        QTest::newRow("fewer than ten") << daily.mid(0, 9) << 0 << daily.mid(0, 9);
        QList<QDate> rare;
        for (int i = 0; i < 14; ++i)
            rare << QDate(2020, 1, 15).addMonths(3 * i);
        // Starts every three months: the 10 newest stay, however old.
        QTest::newRow("a start every three months") << rare << 4 << rare.mid(4);
    }
    void rotationKeepsTenNewestAndOnePerMonth()
    {
        QFETCH(QList<QDate>, taken);
        QFETCH(int, dropped);
        QFETCH(QList<QDate>, mustStay);
        QList<QDateTime> times;
        for (const QDate& d : taken)
            times.prepend(QDateTime(d, QTime(0, 0)));
        const QList<QDateTime> drop = snapshotsToDrop(times, QDate(2026, 12, 7));
        QCOMPARE(drop.size(), dropped);
        for (const QDate& d : mustStay)
            QVERIFY2(!drop.contains(QDateTime(d, QTime(0, 0))), qPrintable(d.toString()));
    }

    void snapshotNamesReadBack()
    {
        const QDateTime t(QDate(2026, 12, 7), QTime(15, 30, 12));
        bool daily = false;
        QCOMPARE(snapshotTime(snapshotFileName(t, true), &daily), QDateTime(t.date(), QTime(0, 0)));
        QVERIFY(daily);
        QCOMPARE(snapshotTime(snapshotFileName(t, false), &daily), t);
        QVERIFY(!daily);
        QVERIFY(!snapshotTime(QStringLiteral("dbVesk-20261207.mdb.123.part")).isValid());
        QVERIFY(!snapshotTime(QStringLiteral("dbVesk-20261340.mdb")).isValid());
    }

    // A snapshot is a plain diary of its owner's; a day has one; a save while the copy
    // runs goes through at once, and the copy then holds it too.
    void snapshotIsAPrivateConsistentDiary()
    {
        QVERIFY(saveAll(trickyEntries(false)));
        const QString folder = snapshotFolder();
        const QDateTime now(today(), QTime(8, 0));
        QString made, reason;
        CopyPace pace;
        pace.pagesPerStep = 1;
        int steps = 0;
        auto saveOnce = [&](qint64, qint64) {
            if (++steps == 2) return diary::save("261207", "写しの途中", "保存");
            return true;
        };
        QCOMPARE(takeSnapshot(diaryPath(), folder, now, true, pace, saveOnce, made, reason),
                 SnapshotOutcome::Made);
        QVERIFY(steps > 2);
        QCOMPARE(QFileInfo(made).fileName(), QStringLiteral("dbVesk-20261207.mdb"));
        QCOMPARE(access(made), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(access(folder),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(takeSnapshot(diaryPath(), folder, now.addSecs(60), true, pace, {}, made, reason),
                 SnapshotOutcome::AlreadyToday);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 1);

        const QList<DiaryEntry> rows = everyEntry();
        DiarySummary summary;
        QVERIFY(summarizeDiaryFile(listSnapshots(folder).first().path, summary, reason));
        QCOMPARE(summary.entries, int(rows.size()));
        QCOMPARE(summary.newestKey, rows.last().skYmn);
        QCOMPARE(summary.newestTitle, rows.last().szTtl);
        // The program opens it as its diary.
        const QString copy = listSnapshots(folder).first().path;
        DbClose();
        sUsrFld = fake->makeDir(QStringLiteral("opened")) + u'/';
        QVERIFY(QFile::copy(copy, diaryPath()));
        QVERIFY(DbOpen());
        QCOMPARE(everyEntry(), rows);
    }

    void restoreSnapshotsTheCurrentDiaryFirst()
    {
        QVERIFY(saveAll({{"261201", "昔", "あの日"}}));
        const QString folder = snapshotFolder();
        QString made, reason;
        QCOMPARE(takeSnapshot(diaryPath(), folder, QDateTime(today().addDays(-3), QTime(9, 0)),
                              true, {}, {}, made, reason),
                 SnapshotOutcome::Made);
        QVERIFY(saveAll({{"261201", "今", "書き直した"}, {"261206", "新", "足した"}}));
        const QList<DiaryEntry> current = everyEntry();

        QString before;
        const Snapshot chosen = listSnapshots(folder).first();
        QCOMPARE(restoreSnapshot(chosen, diaryPath(), folder, QDateTime(today(), QTime(10, 0)), {},
                                 before, reason),
                 RestoreOutcome::Restored);
        QVERIFY(DbIsOpen());
        QCOMPARE(everyEntry(), (QList<DiaryEntry>{{"261201", "昔", "あの日"}}));
        QCOMPARE(QFileInfo(before).fileName(), QStringLiteral("dbVesk-20261207-100000.mdb"));
        QCOMPARE(listSnapshots(folder).first().path, before);
        // The diary as it was before the restore can itself be restored.
        QCOMPARE(restoreSnapshot(listSnapshots(folder).first(), diaryPath(), folder,
                                 QDateTime(today(), QTime(10, 5)), {}, before, reason),
                 RestoreOutcome::Restored);
        QCOMPARE(everyEntry(), current);
        QCOMPARE(fake->messages, QStringList());
    }

    void snapshotCutMidWriteReadsAsItWas()
    {
        // A write to a snapshot (a password change's key slots) that the power cut short
        // leaves its journal beside it: the snapshot must still read, as it was before.
        QVERIFY(saveAll({{"261201", "今", "残る"}}));
        const QString folder = snapshotFolder();
        QString made, reason;
        QCOMPARE(takeSnapshot(diaryPath(), folder, QDateTime(today(), QTime(8, 0)), false,
                              CopyPace{}, {}, made, reason),
                 SnapshotOutcome::Made);
        const QString cut = folder + QStringLiteral("dbVesk-20261201-080000.mdb");
        {
            sql::Connection writer;
            QVERIFY(writer.open(made, SQLITE_OPEN_READWRITE, reason));
            // A small cache makes the engine write pages into the file before the commit.
            QVERIFY(sql::quietRun(writer.handle(), QStringLiteral("pragma cache_size = 2")));
            QVERIFY(sql::quietRun(writer.handle(), QStringLiteral("begin immediate")));
            for (int i = 0; i < 200; ++i)
                QVERIFY(sql::Query(writer.handle(),
                                   QStringLiteral("insert into tbDoc values (?, ?, ?)"),
                                   {QString::number(100000 + i), QStringLiteral("途中"),
                                    QString(500, u'書')})
                            .run());
            // The disk as the power left it, the write not done.
            QVERIFY(QFile::exists(made + QStringLiteral("-journal")));
            QVERIFY(QFile::copy(made, cut));
            QVERIFY(
                QFile::copy(made + QStringLiteral("-journal"), cut + QStringLiteral("-journal")));
        }
        QVERIFY2(checkDiaryFile(cut, reason), qPrintable(reason));
        DiarySummary summary;
        QVERIFY2(summarizeDiaryFile(cut, summary, reason), qPrintable(reason));
        QCOMPARE(summary.entries, 1);
        QVERIFY(!QFile::exists(cut + QStringLiteral("-journal")));
    }

    void damagedSnapshotIsNotRestored()
    {
        QVERIFY(saveAll({{"261201", "今", "残る"}}));
        const QString folder = snapshotFolder();
        QDir().mkpath(folder);
        writeFile(folder + QStringLiteral("dbVesk-20261201.mdb"), QByteArray(8192, 'x'));
        const QByteArray diaryBefore = digest(diaryPath());
        QString before, reason;
        QCOMPARE(restoreSnapshot(listSnapshots(folder).first(), diaryPath(), folder,
                                 QDateTime(today(), QTime(10, 0)), {}, before, reason),
                 RestoreOutcome::Failed);
        QVERIFY(!reason.isEmpty());
        QCOMPARE(digest(diaryPath()), diaryBefore);
        QCOMPARE(listSnapshots(folder).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestKeep)
#include "tst_keep.moc"
