// The built program started from a terminal: no display, no Qt platform, a home and XDG
// folders of its own. Export, import and search work on the diary there; help, version
// and a wrong command line touch nothing.

#include "DiaryEncryption.h"
#include "DiaryFile.h"
#include "Globals.h"
#include "KeySlot.h"
#include "RecoveryKey.h"
#include "SqlQuery.h"
#include "Terminal.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <memory>

using namespace drv;
using drv::test::digest;

namespace {

struct Ran {
    int code = -1;
    QString out, err;
};

// key, title, body
using Rows = QList<QStringList>;

// Spread over two centuries of the keys' window, with what the formats must escape.
const Rows kSeed = {
    {"991231", "大晦日", "紅白を見た。\n\n年越しそば"},
    {"261206", "見出しに見える行", "■2026-12-07 これは本文\n# これも本文\n\\■ 逆斜線も"},
    {"261207", "記号 \"引用\" と ①～", "タブ\tと ― と ∥\r\n改行コード CRLF"},
    {"261208", "", "題のない日"},
};

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> home;
    QMap<QString, QString> extraEnv;

    QString folder() const { return home->path() + QStringLiteral("/.local/share/Orbena/drvesk/"); }
    QString diary() const { return folder() + QStringLiteral("dbVesk.mdb"); }
    QString file(const QString& name) const { return home->filePath(name); }

    Ran run(const QStringList& args, QProcess* started = nullptr) const
    {
        QProcess own;
        QProcess& p = started ? *started : own;
        drv::test::startInTerminal(p, home->path(), args, extraEnv);
        if (started) return {};
        return finish(p);
    }

    static Ran finish(QProcess& p)
    {
        if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit) return {};
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

    // The command on a terminal of its own (script(1) makes one), each line typed once
    // its question shows; standard output and error come mixed, as on a screen.
    Ran runTyped(const QStringList& args, const QStringList& typed) const
    {
        QStringList command{qEnvironmentVariable("DRVESK_BIN_DIR") + QStringLiteral("/drvesk")};
        command << args;
        for (QString& a : command)
            a = u'\'' + a + u'\'';
        QProcess p;
        p.setProcessEnvironment(drv::test::terminalEnvironment(home->path(), extraEnv));
        p.setWorkingDirectory(home->path());
        p.start(QStringLiteral("script"),
                {QStringLiteral("-qefc"), command.join(u' '), QStringLiteral("/dev/null")});
        QByteArray shown;
        const QByteArray question = QStringLiteral("ください: ").toUtf8();
        for (qsizetype i = 0; i < typed.size(); ++i) {
            while (shown.count(question) <= i && p.state() != QProcess::NotRunning &&
                   p.waitForReadyRead(20000))
                shown += p.readAllStandardOutput();
            p.write(typed[i].toUtf8() + '\n');
        }
        if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit) return {};
        shown += p.readAllStandardOutput();
        const QString text = QString::fromUtf8(shown).remove(u'\r');
        return {p.exitCode(), text, text};
    }

    void makeDiary(const Rows& rows) const
    {
        QVERIFY(QDir().mkpath(folder()));
        sUsrFld = folder();
        drv::test::direct(QStringLiteral("delete from tbDoc"));
        for (const QStringList& r : rows)
            drv::test::put(r.at(0), r.at(1), r.at(2));
    }

    Rows stored() const
    {
        Rows rows;
        sUsrFld = folder();
        const auto all = drv::test::stored();
        for (auto it = all.cbegin(); it != all.cend(); ++it)
            rows << QStringList{it.key(), it->title, it->body};
        return rows;
    }

    void writeFile(const QString& name, const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(file(name)).absolutePath());
        QFile f(file(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    static Rows sorted(Rows rows)
    {
        std::sort(rows.begin(), rows.end());
        return rows;
    }

private Q_SLOTS:
    void init()
    {
        home = std::make_unique<QTemporaryDir>();
        QVERIFY(home->isValid());
        extraEnv.clear();
    }

    // Help and version answer without a display and touch no file; a wrong command line
    // gets the usage on standard error and status 2, and never opens the window.
    void conventions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said"); // on standard output for 0, standard error for 2
        QTest::newRow("--help") << QStringList{"--help"} << 0 << "--on-conflict HOW";
        QTest::newRow("-h") << QStringList{"-h"} << 0 << "--export FILE";
        QTest::newRow("--version")
            << QStringList{"--version"} << 0 << "drvesk " DRVESK_VERSION "\n";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "--bogus";
        QTest::newRow("no value") << QStringList{"--export"} << 2 << "使い方";
        QTest::newRow("two actions")
            << QStringList{"--export", "a", "--import", "b"} << 2 << "一度に一つ";
        QTest::newRow("--from alone")
            << QStringList{"--export", "a.json", "--from", "2026-01-01"} << 2 << "--to";
        QTest::newRow("no such conflict rule")
            << QStringList{"--import", "a.json", "--on-conflict", "merge"} << 2 << "merge";
        QTest::newRow("an import option without an action") << QStringList{"--yes"} << 2 << "--yes";
        QTest::newRow("an empty word") << QStringList{"--search", ""} << 2 << "使い方";
    }
    void conventions()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, said);
        const Ran r = run(args);
        QCOMPARE(r.code, code);
        if (code == 0) {
            QVERIFY2(r.out.contains(said), qPrintable(r.out));
            QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
        } else {
            QVERIFY2(r.err.contains(said) && r.err.contains(QStringLiteral("使い方")),
                     qPrintable(r.err));
            QVERIFY(r.out.isEmpty());
        }
        QVERIFY2(QDir(home->path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 "the home folder was touched");
    }

    void roundTrip_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("mark"); // bytes the file must hold
        QTest::addColumn<int>("from");        // the first of kSeed's rows expected back
        QTest::newRow("text") << QStringList{} << "out.txt" << QByteArray("■2026-12-06 ") << 0;
        // ① and ～ are CP932's own; the file is read back without being told its code.
        QTest::newRow("text-cp932") << QStringList{"--format", "text-cp932"} << "out.txt"
                                    << QByteArray("\x87\x40\x81\x60\r\n") << 0;
        QTest::newRow("markdown") << QStringList{} << "out.md" << QByteArray("# 2026-12-06 ") << 0;
        QTest::newRow("json, by name")
            << QStringList{} << "out.json" << QByteArray("\"2026-12-06\"") << 0;
        QTest::newRow("json, told, one year")
            << QStringList{"--format", "json", "--from", "2026-01-01", "--to", "2026-12-31"}
            << "backup" << QByteArray("\"2026-12-06\"") << 1;
    }
    void roundTrip()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, name);
        QFETCH(QByteArray, mark);
        QFETCH(int, from);
        makeDiary(kSeed);
        Ran r = run(QStringList{"--export", name} + options);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const int n = int(kSeed.size()) - from;
        QVERIFY2(r.out.startsWith(QStringLiteral("%1 件を %2 に書き出しました").arg(n).arg(name)),
                 qPrintable(r.out));
        QFile f(file(name));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains(mark));

        makeDiary({});
        const QStringList format = options.mid(0, 2).contains(QStringLiteral("json"))
                                       ? QStringList{"--format", "json"}
                                       : QStringList{};
        r = run(QStringList{"--import", name} + format);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.out, QStringLiteral("読み込みました: 追加 %1 件\n").arg(n));
        QCOMPARE(stored(), sorted(kSeed.mid(from)));
    }

    void onConflict_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("counts");
        QTest::addColumn<QStringList>("day"); // what 2026-12-01 holds afterwards
        const QString rest = QStringLiteral("同じ内容 1 件");
        QTest::newRow("default keeps") << QStringList{} << "追加 1 件、そのまま 1 件、" + rest
                                       << QStringList{"261201", "題", "前の本文"};
        QTest::newRow("keep") << QStringList{"--on-conflict", "keep"}
                              << "追加 1 件、そのまま 1 件、" + rest
                              << QStringList{"261201", "題", "前の本文"};
        QTest::newRow("replace") << QStringList{"--on-conflict", "replace"}
                                 << "追加 1 件、置き換え 1 件、" + rest
                                 << QStringList{"261201", "新しい題", "新しい本文"};
        QTest::newRow("append") << QStringList{"--on-conflict", "append"}
                                << "追加 1 件、追記 1 件、" + rest
                                << QStringList{"261201", "題", "前の本文\n\n新しい題\n新しい本文"};
    }
    void onConflict()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, counts);
        QFETCH(QStringList, day);
        makeDiary({{"261201", "題", "前の本文"}, {"261202", "同じ", "同じ本文"}});
        writeFile(QStringLiteral("in.txt"), "■2026-12-01 新しい題\n新しい本文\n\n"
                                            "■2026-12-02 同じ\n同じ本文\n\n"
                                            "■2026-12-03 三日\n本文\n");
        const Ran r = run(QStringList{"--import", "in.txt"} + options);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.out, QStringLiteral("読み込みました: %1\n").arg(counts));
        const Rows expected = {day, {"261202", "同じ", "同じ本文"}, {"261203", "三日", "本文"}};
        QCOMPARE(stored(), expected);
    }

    // Characters Shift-JIS cannot hold are listed and nothing is written, unless the
    // loss is asked for.
    void lossyCp932_data()
    {
        QTest::addColumn<bool>("lossy");
        QTest::newRow("refused") << false;
        QTest::newRow("--lossy") << true;
    }
    void lossyCp932()
    {
        QFETCH(bool, lossy);
        makeDiary(
            {{"261207", "𠮷野家", "牛丼"}, {"261208", "寿司", "🍣 と 🍵"}, {"261209", "", "平気"}});
        writeFile(QStringLiteral("out/old.txt"), "yesterday's backup\n");
        const QByteArray before = digest(file(QStringLiteral("out/old.txt")));
        QStringList args{"--export", "out/old.txt", "--format", "text-cp932"};
        if (lossy) args << QStringLiteral("--lossy");
        const Ran r = run(args);
        if (!lossy) {
            QCOMPARE(r.code, 1);
            const QStringList lines = r.err.split(u'\n', Qt::SkipEmptyParts);
            QCOMPARE(lines.size(), 3);
            QCOMPARE(lines.at(0), QStringLiteral("2026-12-07: 𠮷"));
            QCOMPARE(lines.at(1), QStringLiteral("2026-12-08: 🍣🍵"));
            QVERIFY2(lines.at(2).startsWith(QStringLiteral("drvesk: ")), qPrintable(lines.at(2)));
            QCOMPARE(digest(file(QStringLiteral("out/old.txt"))), before);
            QCOMPARE(QDir(file(QStringLiteral("out"))).entryList(QDir::Files),
                     QStringList{"old.txt"});
            return;
        }
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QStringLiteral("「〓」にした文字のある日記: 2 件")),
                 qPrintable(r.out));
        QFile f(file(QStringLiteral("out/old.txt")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("\x81\xac\x96\xec\x89\xc6")); // 〓野家
    }

    // Each ends non-zero with one line naming what went wrong, and the diary unchanged.
    void refusals_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // written to name; empty: none
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("said");
        QTest::newRow("malformed JSON line")
            << "in.json" << QByteArray("[\n{\"key\":\"261207\"}\n{\"key\":\"261208\"}\n]")
            << QStringList{"--import", "in.json"} << "in.json を読み込めません。 3 行目: ";
        QTest::newRow("a day twice in text")
            << "in.txt" << QByteArray("■2026-12-07 a\n\n■2026-12-07 b\n")
            << QStringList{"--import", "in.txt"} << "3 行目: 2026-12-07 の日記が二度あります";
        QTest::newRow("not CP932 nor UTF-8 on line 2")
            << "in.txt"
            << QByteArray("\x81\xa1"
                          "2026-12-07 a\n\x82\n")
            << QStringList{"--import", "in.txt"} << "2 行目: ";
        QTest::newRow("unreadable file") << "" << QByteArray() << QStringList{"--import", "gone.md"}
                                         << "gone.md を読み込めません。";
        QTest::newRow("unwritable export")
            << "" << QByteArray() << QStringList{"--export", "no/such/folder/x.txt"}
            << "no/such/folder/x.txt に書き出せませんでした";
    }
    void refusals()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, args);
        QFETCH(QString, said);
        makeDiary(kSeed);
        const QByteArray before = digest(diary());
        if (!name.isEmpty()) writeFile(name, bytes);
        const Ran r = run(args);
        QCOMPARE(r.code, 1);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.startsWith(QStringLiteral("drvesk: ")) && r.err.contains(said) &&
                     r.err.count(u'\n') == 1 && r.err.endsWith(u'\n'),
                 qPrintable(r.err));
        QCOMPARE(digest(diary()), before);
    }

    // A terminal never makes a diary: a mistyped folder would get an empty one.
    void missingDiary()
    {
        const Ran r = run({QStringLiteral("--search"), QStringLiteral("雪")});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, QStringLiteral("drvesk: 日記 %1 がありません\n").arg(diary()));
        QVERIFY(!QFileInfo::exists(diary()));
    }

    // Another diary program's files, through the same readers as the window's import;
    // days the keys cannot hold are listed, and the rest is written only when asked.
    void peers_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        QTest::addColumn<int>("entries");
        QTest::newRow("Lifeograph")
            << QStringList{"--import", DRVESK_PEERS_DATA "/lifeograph/plain.diary"} << 0
            << "読み込みました: 追加 2 件\n"
            << 2;
        QTest::newRow("RedNotebook, a day outside")
            << QStringList{"--import", "journal"} << 1 << "--yes" << 0;
        QTest::newRow("RedNotebook, a day outside, --yes")
            << QStringList{"--import", "journal", "--yes"} << 0 << "読み込みました: 追加 1 件\n"
            << 1;
    }
    void peers()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, said);
        QFETCH(int, entries);
        makeDiary({});
        writeFile(QStringLiteral("journal/2026-12.txt"), "8:\n  text: '雨の一日'\n");
        writeFile(QStringLiteral("journal/1900-01.txt"), "5:\n  text: '昔の日'\n");
        const Ran r = run(args);
        QCOMPARE(r.code, code);
        QVERIFY2((code == 0 ? r.out : r.err).contains(said), qPrintable(r.out + r.err));
        if (args.contains(QStringLiteral("journal")))
            QVERIFY2(r.err.contains(QStringLiteral("1900-01-05")), qPrintable(r.err));
        QCOMPARE(stored().size(), entries);
    }

    // A running copy holds the diary's lock file for as long as it runs; an import goes
    // ahead beside it and waits for a save in progress, as a second copy's save does,
    // and fails in one line when the diary stays locked. Reads never wait.
    void importWhileRunningCopyHoldsDiary_data()
    {
        QTest::addColumn<int>("releaseMs"); // -1: held to the end
        QTest::newRow("a save ends meanwhile") << 1500;
        QTest::newRow("locked throughout") << -1;
    }
    void importWhileRunningCopyHoldsDiary()
    {
        QFETCH(int, releaseMs);
        makeDiary({{"261201", "題", "本文"}});
        writeFile(QStringLiteral("in.txt"), "■2026-12-02 二日\n本文\n");
        QLockFile running(folder() + QStringLiteral("drvesk.lock"));
        running.setStaleLockTime(0);
        QVERIFY(running.tryLock(0));
        sql::Connection saving;
        QString reason;
        QVERIFY2(saving.open(diary(), SQLITE_OPEN_READWRITE, reason, 10000), qPrintable(reason));
        QVERIFY(sql::Query(saving.handle(), QStringLiteral("Begin Immediate")).run());
        QVERIFY(
            sql::Query(saving.handle(), QStringLiteral("update tbDoc set szDoc='保存中'")).run());

        QProcess p;
        run({QStringLiteral("--import"), QStringLiteral("in.txt")}, &p);
        QVERIFY(p.waitForStarted());
        QElapsedTimer since;
        since.start();
        if (releaseMs >= 0) {
            QTest::qWait(releaseMs);
            QCOMPARE(p.state(), QProcess::Running); // still waiting for the lock
            QVERIFY(sql::Query(saving.handle(), QStringLiteral("Commit")).run());
        }
        const Ran r = finish(p);
        if (releaseMs >= 0) {
            QVERIFY2(r.code == 0, qPrintable(r.err));
            QCOMPARE(r.out, QStringLiteral("読み込みました: 追加 1 件\n"));
            const Rows expected = {{"261201", "題", "保存中"}, {"261202", "二日", "本文"}};
            QCOMPARE(stored(), expected);
            return;
        }
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("ほかのプログラムが日記ファイルを使っています")) &&
                     r.err.count(u'\n') == 1,
                 qPrintable(r.err));
        const Ran read = run({QStringLiteral("--search"), QStringLiteral("本文")});
        QCOMPARE(read.code, 0);
        QCOMPARE(read.out, QStringLiteral("2026-12-01\t題\t本文\n"));
        QVERIFY(sql::Query(saving.handle(), QStringLiteral("Rollback")).run());
        const Rows expected = {{"261201", "題", "本文"}};
        QCOMPARE(stored(), expected);
    }

    // Newest first across the century, each with the line of its first hit; the same
    // when the second search finds the index the first one left.
    void search_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("listed");
        QTest::newRow("a word") << "雪"
                                << "2026-12-07\t今日\t大雪だった\n"
                                   "1999-12-31\t古い\t雪の日\n";
        QTest::newRow("* across lines") << "雪*三"
                                        << "2026-12-07\t今日\t大雪だった\n";
        QTest::newRow("width and case") << "ＳＮＯＷ"
                                        << "2026-12-06\t昨日\tno snow today\n";
        QTest::newRow("nothing") << "晴"
                                 << "";
    }
    void search()
    {
        QFETCH(QString, word);
        QFETCH(QString, listed);
        makeDiary({{"991231", "古い", "雪の日\n二行目"},
                   {"261207", "今日", "一行目\n  大雪だった\n三行目"},
                   {"261206", "昨日", "雨\nno snow today"}});
        for (int pass = 0; pass < 2; ++pass) {
            const Ran r = run({QStringLiteral("--search"), word});
            QVERIFY2(r.code == 0, qPrintable(r.err));
            QCOMPARE(r.out, listed);
        }
        QCOMPARE(QDir(home->filePath(QStringLiteral(".cache/drvesk")))
                     .entryList({QStringLiteral("dbVesk.mdb-*.index")})
                     .size(),
                 1);
    }

    // One pass writes the days' files; after an edit by hand (still for a while), the
    // next pass reads it into the diary.
    void mirrorSyncBothWays()
    {
        makeDiary(kSeed);
        const QString mirror = file(QStringLiteral("Sync/diary"));
        Ran r = run({QStringLiteral("--mirror-sync"), mirror});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QFile day(mirror + QStringLiteral("/2026/2026-12-08.md"));
        QVERIFY(day.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(day.readAll()), QStringLiteral("題のない日\n"));
        QVERIFY(QFile::exists(mirror + QStringLiteral("/1999/1999-12-31.md")));
        day.close();
        QVERIFY(day.open(QIODevice::WriteOnly | QIODevice::Truncate));
        day.write("# 題\r\n\r\n書き直した");
        QVERIFY(day.flush());
        QVERIFY(day.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                QFileDevice::FileModificationTime));
        day.close();
        r = run({QStringLiteral("--mirror-sync"), mirror});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY(stored().contains(QStringList{"261208", "題", "書き直した"}));
    }

    // An encrypted diary's password, typed on the terminal without echo (three tries) or
    // read from the file DRVESK_PASSWORD_FILE names; a wrong one or none fails with status
    // 1 and writes nothing; an import is sealed; an export says that its file is plain.
    void encryptedDiary_data()
    {
        QTest::addColumn<QByteArray>("file");   // the password file's bytes; null: no file
        QTest::addColumn<QStringList>("typed"); // each line typed on a terminal; none: no terminal
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        const QStringList none;
        const QString right = QStringLiteral("ひみつ"), wrong = QStringLiteral("ちがう");
        QTest::newRow("file, right") << QByteArray("ひみつ\n") << none << 0 << "平文";
        QTest::newRow("file, right, CRLF") << QByteArray("ひみつ\r\n") << none << 0 << "平文";
        QTest::newRow("file, wrong")
            << QByteArray("ちがう\n") << none << 1 << "パスワードが違います";
        QTest::newRow("file unreadable") << QByteArray("") << none << 1 << "読めません";
        QTest::newRow("no file, no terminal")
            << QByteArray() << none << 1 << "DRVESK_PASSWORD_FILE";
        QTest::newRow("terminal, right after a miss")
            << QByteArray() << QStringList{wrong, right} << 0 << "平文";
        QTest::newRow("terminal, end of input (Ctrl+D)")
            << QByteArray() << QStringList{QString(QChar(4))} << 1 << "入力されませんでした";
        QTest::newRow("terminal, three misses")
            << QByteArray() << QStringList{wrong, wrong, wrong} << 1 << "パスワードが違います";
    }
    void encryptedDiary()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, typed);
        QFETCH(int, code);
        QFETCH(QString, said);
        makeDiary({{"261207", "今日", "大雪だった"}});
        vault::setPasswordCost({1, 8u << 20});
        QString reason;
        QVERIFY2(encryption::switchOn(diary(), QStringLiteral("ひみつ"), vault::newRecoveryKey(),
                                      {}, reason),
                 qPrintable(reason));
        if (!file.isNull()) {
            const QString pw = this->file(QStringLiteral("pw"));
            extraEnv.insert(QStringLiteral("DRVESK_PASSWORD_FILE"), pw);
            if (!file.isEmpty()) writeFile(QStringLiteral("pw"), file);
        }
        const QByteArray sentence = QStringLiteral("読み込んだ晴れの日").toUtf8();
        writeFile(QStringLiteral("in.md"), "# 2026-12-08 題\n\n" + sentence + "\n");
        const QByteArray before = digest(diary());
        const auto ask = [&](const QStringList& args) {
            return typed.isEmpty() ? run(args) : runTyped(args, typed);
        };
        const Ran s = ask({QStringLiteral("--search"), QStringLiteral("雪")});
        const Ran i = ask({QStringLiteral("--import"), this->file(QStringLiteral("in.md"))});
        const Ran e = ask({QStringLiteral("--export"), this->file(QStringLiteral("out.json"))});
        for (const Ran& r : {s, i, e}) {
            QCOMPARE(r.code, code);
            QVERIFY2(code == 0 || r.err.contains(said), qPrintable(r.err));
            for (const QString& line : typed)
                QVERIFY2(!r.out.contains(line), "the password was echoed");
        }
        QVERIFY2(e.err.contains(said), qPrintable(e.err));
        QCOMPARE(s.out.contains(QStringLiteral("2026-12-07\t今日\t大雪だった\n")), code == 0);
        QCOMPARE(QFile::exists(this->file(QStringLiteral("out.json"))), code == 0);
        if (code != 0) QCOMPARE(digest(diary()), before);
        for (const QString& kept : {folder(), this->file(QStringLiteral(".cache"))})
            QCOMPARE(drv::test::filesHolding(kept, sentence), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
