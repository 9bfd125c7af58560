// The search index beside the diary: the diary stays a plain table that other tools write,
// the index lives in the cache folder and follows every change whoever made it.

#include "DateKey.h"
#include "Diary.h"
#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "SearchIndex.h"
#include "SearchStatements.h"
#include "SearchTerms.h"
#include "SqlQuery.h"
#include "Statements.h"
#include "Store.h"
#include "TextMatch.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <sqlite3.h>

using namespace drv;

namespace {

enum class Tool { Sqlite3, Python };
enum class Change { Insert, Update, Delete, OlderCopy, JournalMode };

QString diaryPath()
{
    return sUsrFld + QStringLiteral("dbVesk.mdb");
}

// What another program does to the diary, by the sqlite3 command line or Python's sqlite3.
void runTool(Tool tool, const QStringList& args)
{
    const QString exe = QStandardPaths::findExecutable(
        tool == Tool::Sqlite3 ? QStringLiteral("sqlite3") : QStringLiteral("python3"));
    QVERIFY2(!exe.isEmpty(), "sqlite3 and python3 are needed (scripts/setup.sh installs them)");
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(exe, args);
    QVERIFY(p.waitForFinished(30000));
    QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, p.readAll().constData());
}

void sqlBy(Tool tool, const QString& sql)
{
    if (tool == Tool::Sqlite3)
        runTool(tool, {QStringLiteral("-cmd"), QStringLiteral(".timeout 10000"), diaryPath(), sql});
    else
        runTool(tool, {QStringLiteral("-c"),
                       QStringLiteral("import sqlite3, sys\n"
                                      "c = sqlite3.connect(sys.argv[1], timeout=10)\n"
                                      "c.executescript(sys.argv[2])\nc.close()"),
                       diaryPath(), sql});
}

// A file copied over the diary: the command line's restore, or a plain byte copy.
void copyOver(Tool tool, const QString& from)
{
    if (tool == Tool::Sqlite3)
        runTool(tool, {QStringLiteral("-cmd"), QStringLiteral(".timeout 10000"), diaryPath(),
                       QStringLiteral(".restore '%1'").arg(from)});
    else
        runTool(tool,
                {QStringLiteral("-c"),
                 QStringLiteral("import shutil, sys\nshutil.copyfile(sys.argv[2], sys.argv[1])"),
                 diaryPath(), from});
}

QStringList keysOf(const ColumnTable& t, int n)
{
    QStringList keys;
    for (int i = 0; i < n; ++i)
        keys << t[0][i].toString();
    return keys;
}

// The word's listing through the index, checked against reading every body.
QStringList searched(const QString& word)
{
    ColumnTable a, b;
    int na = 0, nb = 0;
    const bool ok = SearchWord(word, a, na) && ScanWord(word, b, nb);
    if (!ok) return {QStringLiteral("(failed)")};
    if (a != b) return {QStringLiteral("(differs from the scan)")};
    return keysOf(a, na);
}

// Every row exactly as stored, types and bytes.
QStringList rowsAsStored()
{
    return test::firstColumn(
        diaryPath(), QStringLiteral("select quote(skYmn) || '|' || quote(szTtl) || '|' || "
                                    "typeof(szDoc) || hex(szDoc) from tbDoc order by skYmn"));
}

QStringList schemaNames()
{
    QStringList names = test::firstColumn(
        diaryPath(), QStringLiteral("select name from sqlite_master order by name"));
    QVariant version;
    if (test::onFile(diaryPath(), QStringLiteral("pragma user_version"), {}, &version) &&
        version.toInt() != 0)
        names << QStringLiteral("user_version ") + version.toString();
    return names;
}

const QStringList kPlainSchema = {QStringLiteral("sqlite_autoindex_tbDoc_1"),
                                  QStringLiteral("tbDoc")};

} // namespace

Q_DECLARE_METATYPE(Tool)
Q_DECLARE_METATYPE(Change)

class TestSearchIndex : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;

    // Three days of this century and one of the last.
    void baseDiary()
    {
        test::put(QStringLiteral("260101"), QStringLiteral("一"),
                  QStringLiteral("雨の日に散歩した"));
        test::put(QStringLiteral("260102"), QStringLiteral("二"),
                  QStringLiteral("ほたるいかを見た"));
        test::put(QStringLiteral("260103"), QStringLiteral("三"), QStringLiteral("晴れて散歩"));
        test::put(QStringLiteral("991231"), QStringLiteral("四"), QStringLiteral("世紀末の散歩"));
    }

private Q_SLOTS:
    void init() { fake = test::startDiary(); }
    void cleanup()
    {
        DbClose();
        fake.reset();
    }

    // What the issue found: after the program's first start, a plain SQLite tool could no
    // longer insert, change or delete an entry.
    void otherToolsCanWriteTheDiaryAfterAStart_data()
    {
        QTest::addColumn<Tool>("tool");
        QTest::newRow("sqlite3") << Tool::Sqlite3;
        QTest::newRow("python") << Tool::Python;
    }
    void otherToolsCanWriteTheDiaryAfterAStart()
    {
        QFETCH(Tool, tool);
        QVERIFY(DbOpen());
        QVERIFY(diary::save(QStringLiteral("261207"), QStringLiteral("t"), QStringLiteral("本文")));
        QVERIFY(waitForSearchIndex(20000));
        DbClose();
        sqlBy(tool, QStringLiteral("insert into tbDoc values('250101','a','b');"
                                   "update tbDoc set szDoc='c' where skYmn='261207';"
                                   "delete from tbDoc where skYmn='250101';"));
        QCOMPARE(schemaNames(), kPlainSchema);
    }

    // A diary that holds an earlier version's index is cleaned of it at its first open, in
    // one transaction, and not one row of tbDoc changes.
    void earlierIndexIsTakenOutAndRowsStay()
    {
        baseDiary();
        test::put(QStringLiteral("260104"), QVariant(), QVariant());
        test::direct(
            QStringLiteral("update tbDoc set szDoc = x'e381be00ff' where skYmn = '260102'"));
        {
            sql::Connection c;
            QString reason;
            QVERIFY2(c.open(diaryPath(), SQLITE_OPEN_READWRITE, reason), qPrintable(reason));
            QVERIFY(terms::registerRetiredTokenizer(c.handle()));
            for (const char* step :
                 {"create virtual table ftsDoc using fts5(szDoc, content='', "
                  "tokenize='drv_bigram', prefix='1')",
                  "create trigger tbDoc_ftsIns after insert on tbDoc begin insert into "
                  "ftsDoc(rowid, szDoc) values(cast(new.skYmn as integer), new.szDoc); end",
                  "create trigger tbDoc_ftsDel after delete on tbDoc begin insert into "
                  "ftsDoc(ftsDoc, rowid, szDoc) values('delete', cast(old.skYmn as integer), "
                  "old.szDoc); end",
                  "create trigger tbDoc_ftsUpd after update of skYmn, szDoc on tbDoc begin "
                  "select 1; end",
                  "insert into ftsDoc(rowid, szDoc) select cast(skYmn as integer), szDoc "
                  "from tbDoc",
                  "pragma user_version = 1"})
                QVERIFY2(sql::Query(c.handle(), QString::fromUtf8(step)).run(), step);
        }
        const QStringList before = rowsAsStored();
        QCOMPARE(before.size(), 5);
        QVERIFY(schemaNames().contains(QStringLiteral("ftsDoc")));

        QVERIFY(DbOpen());
        QCOMPARE(fake->messages, QStringList());
        QCOMPARE(schemaNames(), kPlainSchema);
        QCOMPARE(rowsAsStored(), before);
        QVERIFY(waitForSearchIndex(20000));
        QCOMPARE(searched(QStringLiteral("散歩")), (QStringList{"260103", "260101", "991231"}));
        // Its own saves reach the index with no trigger in the diary.
        QVERIFY(
            diary::save(QStringLiteral("260105"), QStringLiteral("五"), QStringLiteral("散歩")));
        QVERIFY(waitForSearchIndex(20000));
        QCOMPARE(searched(QStringLiteral("散歩")),
                 (QStringList{"260105", "260103", "260101", "991231"}));
    }

    // The index is the diary's words: in the cache folder, readable by its owner only,
    // named for the diary.
    void indexLivesPrivatelyInTheCacheFolder()
    {
        baseDiary();
        QVERIFY(DbOpen());
        QVERIFY(waitForSearchIndex(20000));
        const QFileInfo index(searchIndexPath());
        const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
        QVERIFY(cache.startsWith(fake->root.path()));
        QCOMPARE(index.absolutePath(), cache);
        QVERIFY2(index.fileName().startsWith(QStringLiteral("dbVesk.mdb-")),
                 qPrintable(index.fileName()));
        const auto everyone =
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
            QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
            QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
        QCOMPARE(QFileInfo(cache).permissions() & everyone,
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(index.permissions() & everyone, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QVERIFY(index.size() > 0);

        // A clean exit leaves the index file alone: its log is folded into it.
        DbClose();
        for (const char* part : {"-wal", "-shm"})
            QVERIFY2(!QFileInfo::exists(index.absoluteFilePath() + QLatin1String(part)), part);
        QVERIFY(index.size() > 0);
    }

    // Another program changes the diary, while this one is closed or while it runs; the next
    // search answers from an index that has caught up, exactly as reading every body does.
    void otherProgramsChangesAreCaughtUp_data()
    {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<bool>("running");
        QTest::addColumn<Change>("change");
        QTest::addColumn<QStringList>("expected"); // "word=key,key"
        const QStringList base = {"散歩=260103,260101,991231"};
        const struct {
            const char* name;
            Change change;
            QStringList expected;
        } changes[] = {
            {"insert", Change::Insert, {"散歩=260104,260103,260101,991231", "夜=260104"}},
            {"update", Change::Update, {"散歩=260103,991231", "家に=260101", "日に="}},
            {"delete", Change::Delete, {"散歩=260101,991231", "晴=", "れ="}},
            {"older copy",
             Change::OlderCopy,
             {"散歩=260103,260101,991231", "ほたる=260102", "しらうお=", "海辺="}},
            {"journal mode", Change::JournalMode, {"散歩=260106,260103,260101,991231"}},
        };
        for (const Tool tool : {Tool::Sqlite3, Tool::Python})
            for (const bool running : {false, true})
                for (const auto& c : changes)
                    QTest::addRow("%s %s, %s", tool == Tool::Sqlite3 ? "sqlite3" : "python",
                                  running ? "while running" : "while closed", c.name)
                        << tool << running << c.change << c.expected;
    }
    void otherProgramsChangesAreCaughtUp()
    {
        QFETCH(Tool, tool);
        QFETCH(bool, running);
        QFETCH(Change, change);
        QFETCH(QStringList, expected);
        baseDiary();
        const QString older = fake->root.path() + QStringLiteral("/older.mdb");
        QVERIFY(QFile::copy(diaryPath(), older));
        QVERIFY(DbOpen());
        if (change == Change::OlderCopy) {
            QVERIFY(diary::save(QStringLiteral("260105"), QStringLiteral("五"),
                                QStringLiteral("海辺の散歩")));
            int n = 0;
            QVERIFY(diary::correct(QStringLiteral("260102"), QStringLiteral("しらうお"), n));
        }
        QVERIFY(waitForSearchIndex(20000));
        if (!running) DbClose();
        switch (change) {
        case Change::Insert:
            sqlBy(tool, QStringLiteral("insert into tbDoc values('260104', '五', '夜の散歩')"));
            break;
        case Change::Update:
            sqlBy(tool, QStringLiteral("update tbDoc set szDoc = '雨で家にいた' where skYmn = "
                                       "'260101'; update tbDoc set szDoc = 'x' || szDoc || 'x' "
                                       "where skYmn = '991231'"));
            break;
        case Change::Delete:
            sqlBy(tool, QStringLiteral("delete from tbDoc where skYmn = '260103'"));
            break;
        case Change::OlderCopy:
            copyOver(tool, older);
            break;
        case Change::JournalMode:
            sqlBy(tool, QStringLiteral("pragma journal_mode = wal; insert into tbDoc values("
                                       "'260106', '六', '川沿いの散歩')"));
            break;
        }
        if (!running) {
            QVERIFY(DbOpen());
            QVERIFY(waitForSearchIndex(20000));
        }
        // The first search notices the change (while running) and waits for the catch-up.
        for (const QString& e : expected) {
            const QString word = e.section(u'=', 0, 0);
            const QStringList keys = e.section(u'=', 1).split(u',', Qt::SkipEmptyParts);
            QCOMPARE(searched(word), keys);
            QVERIFY(hasSearchIndex());
        }
        // And the program's own save goes on working on what the other program left.
        QVERIFY(
            diary::save(QStringLiteral("260107"), QStringLiteral("七"), QStringLiteral("散歩")));
        QVERIFY(waitForSearchIndex(20000));
        QCOMPARE(searched(QStringLiteral("散歩")).value(0), QStringLiteral("260107"));
        QCOMPARE(fake->messages, QStringList());
    }

    // Changes through the program's own connection that are no single-row statements: a
    // delete of every row, and a table made anew with its columns in another order.
    void ownSweepingChangesAreFollowed()
    {
        baseDiary();
        QVERIFY(DbOpen());
        QVERIFY(waitForSearchIndex(20000));
        int n = 0;
        QVERIFY(DbExec(Statement{QStringLiteral("Delete From tbDoc"), {}}, n));
        QCOMPARE(n, 4);
        QVERIFY(waitForSearchIndex(20000));
        QCOMPARE(searched(QStringLiteral("散歩")), QStringList());
        for (const char* step :
             {"Alter Table tbDoc Rename To tbOld",
              "Create Table tbDoc (szDoc Text, skYmn Text Not Null Primary Key, szTtl Text)",
              "Drop Table tbOld"})
            QVERIFY(DbExec(Statement{QString::fromUtf8(step), {}}, n));
        QVERIFY(
            diary::save(QStringLiteral("260103"), QStringLiteral("t"), QStringLiteral("かつお")));
        QVERIFY(
            diary::save(QStringLiteral("260104"), QStringLiteral("t"), QStringLiteral("かつお節")));
        QVERIFY(
            diary::save(QStringLiteral("260103"), QStringLiteral("t"), QStringLiteral("まぐろ")));
        QVERIFY(waitForSearchIndex(20000));
        QCOMPARE(searched(QStringLiteral("かつお")), QStringList{"260104"});
        QCOMPARE(searched(QStringLiteral("まぐろ")), QStringList{"260103"});
        QCOMPARE(fake->messages, QStringList());
    }

    // Many changes the index cannot take out exactly make it build itself again; keys that
    // are no days leave the search to reading every body. Either way the answer is the scan's.
    void heavyOrOddChangesStillGiveTheScansAnswer()
    {
        test::direct(QStringLiteral("select 1"));
        sqlBy(Tool::Sqlite3,
              QStringLiteral("with recursive d(n) as (select 0 union all select n + 1 from d "
                             "where n < 1399) insert into tbDoc select substr(strftime('%Y%m%d', "
                             "'2020-01-01', '+' || n || ' days'), 3), 't', '日' || n || "
                             "case n % 7 when 0 then '散歩' else '雨' end from d"));
        QVERIFY(DbOpen());
        QVERIFY(waitForSearchIndex(60000));
        for (int round = 0; round < 3; ++round) {
            sqlBy(Tool::Sqlite3,
                  QStringLiteral("update tbDoc set szDoc = szDoc || '%1'")
                      .arg(round == 1 ? QStringLiteral("散歩") : QStringLiteral("晴")));
            QCOMPARE(searched(QStringLiteral("散歩")).size(), 50);
            QVERIFY(hasSearchIndex());
            QCOMPARE(searched(QStringLiteral("晴")).size(), 50);
        }
        QCOMPARE(searched(QStringLiteral("日13")).size(), 50);
        QCOMPARE(searched(QStringLiteral("日1399")), QStringList{"231031"});
        sqlBy(Tool::Python, QStringLiteral("insert into tbDoc values('x', 't', '日1399')"));
        ColumnTable t;
        int n = 0;
        QVERIFY(SearchWord(QStringLiteral("日1399"), t, n));
        QVERIFY(!hasSearchIndex());
        QCOMPARE(keysOf(t, n), (QStringList{"231031", "x"}));
        QCOMPARE(fake->messages, QStringList());
    }

    // --- what the index holds of a word --------------------------------------
    void termsOfAWord_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QStringList>("terms"); // "-" alone: the index cannot answer
        QTest::newRow("one character") << "雨" << QStringList{"雨"};
        QTest::newRow("pairs, folded") << "ＡＢc" << QStringList{"ab", "bc"};
        QTest::newRow("pieces, each counted once")
            << "あいあ*い" << QStringList{"あい", "いあ", "い"};
        QTest::newRow("only stars") << "**" << QStringList{};
        QTest::newRow("emoji") << "😀x" << QStringList{"😀x"};
        QTest::newRow("half a surrogate pair") << QString(QChar(0xD83D)) << QStringList{"-"};
        QTest::newRow("zero character") << QString(QChar(0)) + u'a' << QStringList{"-"};
    }
    void termsOfAWord()
    {
        QFETCH(QString, word);
        QFETCH(QStringList, terms);
        const auto got = terms::ofWord(word);
        QStringList texts;
        if (!got) texts << QStringLiteral("-");
        for (const QByteArray& t : got.value_or(QList<QByteArray>()))
            texts << QString::fromUtf8(t);
        QCOMPARE(texts, terms);
    }

    // A word occurs only in a body that holds all its terms: the index's whole promise.
    void bodyHoldsEveryTermOfAWordItMatches()
    {
        const QString body = QStringLiteral("ｶﾞｯｺｳへ行った。Ｗalk😀 と\nＡＢＣ");
        QSet<QByteArray> held;
        for (const QByteArray& t : terms::ofBody(fold(body)).split(char(0xFF)))
            if (!t.isEmpty()) held.insert(t);
        for (qsizetype from = 0; from < body.size(); ++from)
            for (qsizetype len = 1; from + len <= body.size(); ++len) {
                const QString word = body.mid(from, len);
                const auto wanted = terms::ofWord(word);
                if (!wanted || !matches(body, word)) continue;
                for (const QByteArray& t : *wanted)
                    QVERIFY2(held.contains(t), qPrintable(word + u'/' + QString::fromUtf8(t)));
            }
    }

    // Folding skips the long way for characters that fold to themselves; the answer must be
    // the long way's for every character.
    void foldOfEachCharacterIsTheLongWays()
    {
        for (char32_t c = 1; c < 0x10000; ++c) {
            if (QChar::isSurrogate(c)) continue;
            const QString one = QString::fromUcs4(&c, 1);
            const bool plain = c < 0x80 ? !(c >= 'A' && c <= 'Z')
                                        : QChar::decompositionTag(c) == QChar::NoDecomposition &&
                                              QChar::toCaseFolded(c) == c;
            const QString expected =
                plain ? one : one.normalized(QString::NormalizationForm_KC).toCaseFolded();
            if (fold(one) != expected) QFAIL(qPrintable(QString::number(c, 16)));
            if (fold(one + QStringLiteral("--")) != expected + QStringLiteral("--"))
                QFAIL(qPrintable(QString::number(c, 16)));
        }
        QCOMPARE(fold(QStringLiteral("ｶﾞｶﾞ")), QStringLiteral("ガガ"));
        QCOMPARE(fold(QStringLiteral("e\u0301")), QStringLiteral("\u00e9"));
    }

    // --- the status bar ------------------------------------------------------
};

QTEST_MAIN(TestSearchIndex)
#include "tst_searchindex.moc"
