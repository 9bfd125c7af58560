// Diaries of other programs: the fixtures their own programs made, read into entries;
// markup reduced to words; several entries of a day joined; days outside the keys'
// century window reported; encrypted diaries refused with nothing imported; the
// "読み込み…" command taking a peer's diary through conflicts into the diary.

#include "Almanah.h"
#include "Diary.h"
#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "DiaryText.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "Import.h"
#include "KeepAsk.h"
#include "KeepCommands.h"
#include "Lifeograph.h"
#include "PeerDetect.h"
#include "PeerWriters.h"
#include "RedNotebook.h"
#include "Store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>

using namespace drv;
using namespace drv::keep;
using namespace drv::peers;

Q_DECLARE_METATYPE(drv::peers::Peer)
Q_DECLARE_METATYPE(drv::test::YamlLayout)

namespace {

using Rows = QList<QStringList>; // key, title, body

QString data(const QString& relative)
{
    return QStringLiteral(DRVESK_PEERS_DATA "/") + relative;
}

Rows rowsOf(const SourceResult& r)
{
    Rows rows;
    for (const ImportedEntry& e : r.entries)
        rows << QStringList{e.entry.skYmn, e.entry.szTtl, e.entry.szDoc};
    return rows;
}

// What the fixtures hold: Lifeograph's two entries of 8 December joined in their order
// (the file lists the later one first), markup gone; RedNotebook's text whole with its
// first line as title; Almanah's bold and italic reduced, its escapes undone.
const Rows kLifeograph = {
    {"261201", "師走の始まり", "一行目\n二行目 :仕事: の話"},
    {"261208", "朝の散歩",
     "川沿いを歩いた。\n桜がきれいだった とても 良い日。\n\n夜\n同じ日の二つ目。\n\n"
     "空行のあとの段落 斜体 と <http://example.com>"}};
const Rows kRedNotebook = {
    {"261130", "霜月の終わり", "霜月の終わり\n\n空行のあと。"},
    {"261201", "師走", "師走\n一日目。 #仕事"},
    {"261208", "雨の一日", "雨の一日\n家で本を読んだ。\n**太字** も書ける。"}};
const Rows kAlmanah = {{"261207", "七日の記録", "七日の記録\n短い一行 & <記号>。"},
                       {"261208", "晴れ", "晴れ\n公園で友達に会った。\n楽しかった"}};

// Text drawn from pieces, `count` of them, by a seeded generator.
QString drawText(QRandomGenerator& random, const QStringList& pieces, int count)
{
    QString t;
    for (int i = 0; i < count; ++i)
        t += pieces.at(random.bounded(int(pieces.size())));
    return t;
}

// The bytes with one byte put in, taken out or changed at a random place.
QByteArray mutated(QRandomGenerator& random, QByteArray bytes, const QByteArray& alphabet)
{
    const int at = random.bounded(int(bytes.size()) + 1);
    const char c = alphabet.at(random.bounded(int(alphabet.size())));
    switch (random.bounded(3)) {
    case 0:
        return bytes.insert(at, c);
    case 1:
        return at < bytes.size() ? bytes.remove(at, 1) : bytes;
    default:
        if (at < bytes.size()) bytes[at] = c;
        return bytes;
    }
}

// Answers the import's questions from a script.
class ScriptedAsk final : public KeepAsk {
public:
    QString path;
    Resolution choice = Resolution::Keep;
    int conflictsSeen = 0;
    bool chooseSnapshot(QWidget*, const QList<SnapshotChoice>&, int&) override { return false; }
    bool chooseExport(QWidget*, ExportOptions&, QString&) override { return false; }
    bool chooseImport(QWidget*, QString& chosen, Format& format) override
    {
        chosen = path;
        format = formatOfFile(path);
        return true;
    }
    bool resolveConflicts(QWidget*, const ImportPlan& plan, QList<Resolution>& choices) override
    {
        conflictsSeen += int(plan.conflicts.size());
        choices.fill(choice);
        return true;
    }
};

} // namespace

class TestPeers : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;
    ScriptedAsk ask;
    QDate today() const { return fake->date; }
    QString scratch(const QString& name) const { return fake->root.path() + u'/' + name; }

private Q_SLOTS:
    void init()
    {
        fake = test::startDiary();
        QVERIFY(DbOpen());
        ask = ScriptedAsk();
        setKeepAsk(&ask);
    }
    void cleanup()
    {
        setKeepAsk(nullptr);
        DbClose();
        fake.reset();
    }

    void fixturesReadAsEntries_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Peer>("peer");
        QTest::addColumn<Rows>("rows");
        QTest::newRow("Lifeograph")
            << data("lifeograph/plain.diary") << Peer::Lifeograph << kLifeograph;
        QTest::newRow("RedNotebook folder")
            << data("rednotebook/data") << Peer::RedNotebook << kRedNotebook;
        QTest::newRow("RedNotebook month file, whole folder")
            << data("rednotebook/data/2026-12.txt") << Peer::RedNotebook << kRedNotebook;
        QTest::newRow("Almanah diary.db")
            << data("almanah/plain/diary.db") << Peer::Almanah << kAlmanah;
        QTest::newRow("Almanah folder") << data("almanah/plain") << Peer::Almanah << kAlmanah;
    }
    void fixturesReadAsEntries()
    {
        QFETCH(QString, path);
        QFETCH(Peer, peer);
        QFETCH(Rows, rows);
        QCOMPARE(peerOf(path), peer);
        QString notice;
        const SourceResult r = readAnySource(path, Format::Text, today(), {}, notice);
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(rowsOf(r), rows);
        QVERIFY(notice.isEmpty());
    }

    void notPeersAreLeftToOurFormats_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::newRow("our text export named like a month")
            << QByteArray("■2026-12-07 題\n本文\n") << "2026-12.txt";
        QTest::newRow("a .db that is no database") << QByteArray("hello") << "notes.db";
        QTest::newRow("a .diary of another kind") << QByteArray("LIFE\n") << "x.diary";
    }
    void notPeersAreLeftToOurFormats()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFile f(scratch(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QCOMPARE(peerOf(f.fileName()), Peer::None);
    }

    void encryptedDiaryRefusedNothingImported_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message");
        QTest::newRow("Lifeograph with a password")
            << data("lifeograph/locked.diary") << lifeographEncryptedText();
        QTest::newRow("Almanah encrypted file")
            << data("almanah/locked/diary.db.encrypted") << almanahEncryptedText();
        QTest::newRow("Almanah folder with only the encrypted file")
            << data("almanah/locked") << almanahEncryptedText();
    }
    void encryptedDiaryRefusedNothingImported()
    {
        QFETCH(QString, path);
        QFETCH(QString, message);
        QVERIFY(diary::save(QStringLiteral("261208"), QStringLiteral("元"),
                            QStringLiteral("元の本文")));
        const QByteArray before = test::digest(sUsrFld + QStringLiteral("dbVesk.mdb"));
        ask.path = path;
        importDiary(MainHooks{});
        QCOMPARE(fake->messages.size(), 1);
        QVERIFY2(fake->messages.first().endsWith(message), qPrintable(fake->messages.first()));
        QCOMPARE(test::digest(sUsrFld + QStringLiteral("dbVesk.mdb")), before);
    }

    // The command through its conflict: the day that holds another entry gets the
    // peer's after a blank line, the new day is added, and the user was asked.
    void conflictWithExistingDayIsResolved_data()
    {
        QTest::addColumn<Resolution>("choice");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::newRow("keep") << Resolution::Keep << "元"
                              << "元の本文";
        QTest::newRow("replace") << Resolution::Replace << kLifeograph[1][1] << kLifeograph[1][2];
        QTest::newRow("append") << Resolution::Append << "元"
                                << "元の本文\n\n朝の散歩\n" + kLifeograph[1][2];
    }
    void conflictWithExistingDayIsResolved()
    {
        QFETCH(Resolution, choice);
        QFETCH(QString, title);
        QFETCH(QString, body);
        QVERIFY(diary::save(QStringLiteral("261208"), QStringLiteral("元"),
                            QStringLiteral("元の本文")));
        ask.path = data("lifeograph/plain.diary");
        ask.choice = choice;
        importDiary(MainHooks{});
        QCOMPARE(ask.conflictsSeen, 1);
        const auto rows = test::stored();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.value(QStringLiteral("261201")),
                 (test::StoredEntry{kLifeograph[0][1], kLifeograph[0][2]}));
        QCOMPARE(rows.value(QStringLiteral("261208")), (test::StoredEntry{title, body}));
    }

    // Days the keys cannot hold are named before anything is written; Cancel writes
    // nothing, OK writes the rest.
    void daysOutsideWindowAreReported_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("stored");
        QTest::newRow("cancel") << false << 0;
        QTest::newRow("ok") << true << 3;
    }
    void daysOutsideWindowAreReported()
    {
        QFETCH(bool, answer);
        QFETCH(int, stored);
        const QString path = scratch(QStringLiteral("long.diary"));
        test::writeLifeograph(path,
                              {{QDate(1946, 12, 31), QStringLiteral("前"), 1},
                               {QDate(1947, 1, 1), QStringLiteral("初日"), 1},
                               {QDate(2046, 12, 31), QStringLiteral("末日"), 1},
                               {QDate(2046, 12, 31), QStringLiteral("末日の二つ目"), 2},
                               {QDate(2047, 1, 1), QStringLiteral("後"), 1},
                               {QDate(2026, 12, 7), QStringLiteral("今日\n本文"), 1}},
                              2);
        fake->confirmAnswers = {answer, true};
        ask.path = path;
        importDiary(MainHooks{});
        QVERIFY(!fake->messages.isEmpty());
        const QString notice = fake->messages.first();
        QVERIFY2(notice.contains(QStringLiteral("1947 年から 2046 年")), qPrintable(notice));
        QVERIFY(notice.contains(QStringLiteral("1946-12-31, 2047-01-01")));
        QVERIFY(notice.contains(QStringLiteral("日付のない記事 2 件")));
        const auto rows = test::stored();
        QCOMPARE(rows.size(), stored);
        if (stored)
            QCOMPARE(rows.value(QStringLiteral("461231")).body, QStringLiteral("末日の二つ目"));
    }

    void lifeographMarkupReducedToWords_data()
    {
        QTest::addColumn<QString>("paragraph");
        QTest::addColumn<QString>("plain");
        QTest::newRow("styles") << "*太字* と _斜体_ と =消し= と #強調#"
                                << "太字 と 斜体 と 消し と 強調";
        QTest::newRow("inside Japanese") << "今日は*とても*良い"
                                         << "今日はとても良い";
        QTest::newRow("nested") << "*_両方_*"
                                << "両方";
        QTest::newRow("inside a Latin word") << "snake_case_name 2*3*4"
                                             << "snake_case_name 2*3*4";
        QTest::newRow("unclosed") << "*ひとつだけ"
                                  << "*ひとつだけ";
        QTest::newRow("blank inside the marks") << "* 箇条 *"
                                                << "* 箇条 *";
        QTest::newRow("entry link") << "<deid:10033\t基本>を見る"
                                    << "基本を見る";
        QTest::newRow("web link") << "<https://a.jp/x_y_z\tサイト>"
                                  << "サイト (https://a.jp/x_y_z)";
        QTest::newRow("markup off") << ".\t*そのまま*"
                                    << "*そのまま*";
        QTest::newRow("subheading") << "  小見出し"
                                    << "小見出し";
        QTest::newRow("list kept") << "\t• [+] 済み"
                                   << "\t• [+] 済み";
    }
    void lifeographMarkupReducedToWords()
    {
        QFETCH(QString, paragraph);
        QFETCH(QString, plain);
        QCOMPARE(lifeographPlain(paragraph), plain);
    }

    void almanahTextOfEachFormat_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("text");
        const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<entry xmlns=\"x\">";
        QTest::newRow("link with its address")
            << head + "<link uri=\"http://a.jp\">ここ</link>と<bold>太<italic>字</italic></bold>"
                      "</entry>"
            << 2 << true << "ここ (http://a.jp)と太字";
        QTest::newRow("link that is its address")
            << head + "<link uri=\"http://a.jp\">http://a.jp</link></entry>" << 2 << true
            << "http://a.jp";
        QTest::newRow("GTK serialisation")
            << QByteArray("GTKTEXTBUFFERCONTENTS-0001\0\0\0\x50", 30) +
                   "<text_view_markup><tags><tag name=\"bold\"/></tags><text>古い<apply_tag "
                   "name=\"bold\">日記</apply_tag>\n二行目</text></text_view_markup>"
            << 1 << true << "古い日記\n二行目";
        QTest::newRow("oldest plain text")
            << QByteArray("ただの文字 <b>") << 1 << true << "ただの文字 <b>";
        QTest::newRow("broken XML") << head + "<bold>閉じない" << 2 << false << "";
        QTest::newRow("unknown version") << head + "</entry>" << 3 << false << "";
    }
    void almanahTextOfEachFormat()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, version);
        QFETCH(bool, ok);
        QFETCH(QString, text);
        QString got;
        QCOMPARE(almanahPlainText(content, version, got), ok);
        if (ok) QCOMPARE(got, text);
    }

    // Generated diaries in each format give the same entries: three days of what would
    // confuse a hand-made parser, and two thousand days of diary text (files read in
    // more than one piece).
    void generatedDiariesRead_data()
    {
        QTest::addColumn<Peer>("peer");
        QTest::addColumn<test::YamlLayout>("layout");
        QTest::addColumn<int>("days"); // 0: the three odd days
        for (const int days : {0, 2000}) {
            const QByteArray n = QByteArray::number(days);
            QTest::newRow("Lifeograph " + n)
                << Peer::Lifeograph << test::YamlLayout::RedNotebook << days;
            QTest::newRow("RedNotebook " + n)
                << Peer::RedNotebook << test::YamlLayout::RedNotebook << days;
            QTest::newRow("RedNotebook in yaml-cpp's layout " + n)
                << Peer::RedNotebook << test::YamlLayout::YamlCpp << days;
            QTest::newRow("Almanah " + n) << Peer::Almanah << test::YamlLayout::RedNotebook << days;
        }
    }
    void generatedDiariesRead()
    {
        QFETCH(Peer, peer);
        QFETCH(test::YamlLayout, layout);
        QFETCH(int, days);
        QList<test::PeerDay> written = {
            {QDate(1999, 12, 31), QStringLiteral("大晦日: \"引用\" 'と' #記号 & <b>\n二行目")},
            {QDate(2000, 1, 1), QStringLiteral("元日\n\n  字下げ\n")},
            {QDate(2024, 2, 29), QStringLiteral("- yes\n? no\n: null")}};
        if (days > 0) {
            written.clear();
            bench::Random random(days);
            for (int i = 0; i < days; ++i)
                written << test::PeerDay{QDate(2001, 1, 1).addDays(i),
                                         QString::fromStdU16String(bench::entryText(random))};
        }
        QString path = scratch(QStringLiteral("gen"));
        if (peer == Peer::Lifeograph) test::writeLifeograph(path += ".diary", written);
        if (peer == Peer::RedNotebook) test::writeRedNotebook(path, written, layout);
        if (peer == Peer::Almanah) test::writeAlmanah(path += ".db", written);
        QCOMPARE(peerOf(path), peer);
        const PeerResult r = readPeer(peer, path, today(), {});
        QVERIFY2(r.source.ok(), qPrintable(r.source.error));
        QCOMPARE(r.source.entries.size(), written.size());
        for (qsizetype i = 0; i < written.size(); ++i) {
            const DiaryEntry& e = r.source.entries.at(i).entry;
            const QString first = written.at(i).text.section(u'\n', 0, 0);
            QCOMPARE(e.szTtl, first);
            // Lifeograph's first paragraph is its title; the others keep it in the body.
            const QString whole = written.at(i).text.trimmed();
            QCOMPARE(e.szDoc, peer == Peer::Lifeograph ? whole.section(u'\n', 1).trimmed() : whole);
        }
    }

    // Files written by hand where the peers' own programs cannot be made to write them.
    void handWrittenFilesRead_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected"); // title, body; or the error's words
        QTest::newRow("RedNotebook categories and tags follow the text")
            << "rn/2026-12.txt"
            << QByteArray("5:\n  Arbeit:\n    会議: null\n    電話: null\n  Tag: null\n"
                          "  text: 本文\n")
            << QStringList{"本文", "本文\n\nArbeit: 会議, 電話\nTag"};
        QTest::newRow("RedNotebook month file of broken YAML")
            << "rn/2026-12.txt" << QByteArray("5: [1, 2\n6: x\n") << QStringList{"2026-12.txt"};
        QTest::newRow("RedNotebook day not in its month")
            << "rn/2026-02.txt" << QByteArray("30:\n  text: 本文\n")
            << QStringList{"not a day of the month"};
        QTest::newRow("Lifeograph first paragraph too long for a title")
            << "long.diary"
            << QByteArray("LIFEOGRAPHDB\nV 2000\nE n\n\nID1\nE __n_1062601729\nEp<") +
                   QString(45, u'長').toUtf8() + "\nEp<本文\n"
            << QStringList{QString(40, u'長'), QString(45, u'長') + "\n本文"};
        QTest::newRow("Lifeograph first paragraph too long, with blanks and markup")
            << "blanks.diary"
            << QByteArray("LIFEOGRAPHDB\nV 2000\nE n\n\nID1\nE __n_1062601729\nEp<  ") +
                   QString(45, u'長').toUtf8() + "  \nEp<*本文*\n"
            << QStringList{QString(40, u'長'), QString(45, u'長') + "\n本文"};
        QTest::newRow("Lifeograph of an older file version")
            << "old.diary" << QByteArray("LIFEOGRAPHDB\nV 1050\nE n\n") << QStringList{"1050"};
    }
    void handWrittenFilesRead()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        QDir().mkpath(QFileInfo(scratch(name)).absolutePath());
        QFile f(scratch(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QString notice;
        const SourceResult r = readAnySource(f.fileName(), Format::Text, today(), {}, notice);
        if (expected.size() == 1) {
            QVERIFY(!r.ok());
            QVERIFY2(r.error.contains(expected.first()), qPrintable(r.error));
            return;
        }
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.entries.size(), 1);
        QCOMPARE(r.entries.first().entry.szTtl, expected.at(0));
        QCOMPARE(r.entries.first().entry.szDoc, expected.at(1));
    }

    // Month files are read without yaml-cpp when they are laid out as RedNotebook writes
    // them; whatever that reading takes, and whatever it takes of them with one byte
    // changed, it reads exactly as yaml-cpp does.
    void quickMonthReadingIsYamlCpps_data()
    {
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QString>("quick"); // which files, as written, are read quickly
        QTest::newRow("Japanese lines")
            << QStringList{"日記", "を", "書いた。", "\n", "\n\n", "ABC", "12"} << "all";
        QTest::newRow("words folded past the width")
            << QStringList{"word ", "語 ", "long-word-here ", "語"} << "all";
        QTest::newRow("quotes and marks")
            << QStringList{"'", "''", "\"",   "#",   ": ",  "- ", "? ", "\n",
                           "x", "本", "null", "---", "...", "&a", "*b", "{}",
                           "[", "|",  ">",    "%",   "@",   "`",  "~"}
            << "some";
        QTest::newRow("blanks beside breaks, tabs") // double-quoted: for yaml-cpp
            << QStringList{" \n", "\n ", "\t"} << "none";
    }
    void quickMonthReadingIsYamlCpps()
    {
        QFETCH(QStringList, pieces);
        QFETCH(QString, quick);
        QRandomGenerator random(20261208);
        const QByteArray alphabet("' \n\t\r:#-\"|{0123456789a\xE6\x97");
        constexpr int kFiles = 40;
        int quickAsWritten = 0, quickMutated = 0;
        for (int file = 0; file < kFiles; ++file) {
            QList<test::PeerDay> days;
            for (int d = 1; d <= 31; d += 1 + random.bounded(4))
                days << test::PeerDay{QDate(2026, 1, d),
                                      drawText(random, pieces, random.bounded(1, 40)), 1};
            const QByteArray written = test::redNotebookMonth(days, test::YamlLayout::RedNotebook);
            for (int variant = 0; variant < 30; ++variant) {
                const QByteArray bytes =
                    variant == 0 ? written : mutated(random, written, alphabet);
                QList<MonthDay> fast, slow;
                if (!quickMonthDays(bytes, fast)) continue;
                ++(variant == 0 ? quickAsWritten : quickMutated);
                QString reason;
                int line = 0;
                QVERIFY2(yamlMonthDays(bytes, 2026, 1, slow, reason, line),
                         qPrintable(QString::fromUtf8(bytes) + u'\n' + reason));
                QCOMPARE(fast, slow);
            }
        }
        if (quick == u"all") QCOMPARE(quickAsWritten, kFiles);
        if (quick == u"some") QVERIFY(quickAsWritten > 0 && quickAsWritten < kFiles);
        if (quick == u"none") QCOMPARE(quickAsWritten, 0);
        if (quick == u"all") QVERIFY(quickMutated > 100); // changed files compared too
    }

    // RedNotebook's own files are read quickly; characters that YAML might take for a
    // line break or refuse are read as yaml-cpp reads them, or left to it.
    void quickMonthReadingOfFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("month");
        QTest::addColumn<bool>("quick"); // must be read quickly
        for (const int month : {11, 12}) {
            QFile f(data(QStringLiteral("rednotebook/data/2026-%1.txt").arg(month)));
            QVERIFY(f.open(QIODevice::ReadOnly));
            QTest::addRow("RedNotebook's 2026-%d.txt", month) << f.readAll() << month << true;
        }
        QTest::newRow("next line") << QByteArray("1:\n  text: 'a\xC2\x85"
                                                 "b'\n")
                                   << 1 << false;
        QTest::newRow("line separator") << QByteArray("1:\n  text: a\xE2\x80\xA8"
                                                      "b\n")
                                        << 1 << false;
        QTest::newRow("delete") << QByteArray("1:\n  text: 'a\x7F'\n2:\n  text: b\x7F\n") << 1
                                << false;
        QTest::newRow("broken UTF-8") << QByteArray("1:\n  text: '\xE6\x97'\n") << 1 << false;
        QTest::newRow("end of file in the text")
            << QByteArray("1:\n  text: 'a\n\n    b") << 1 << false;
    }
    void quickMonthReadingOfFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, month);
        QFETCH(bool, quick);
        QList<MonthDay> fast, slow;
        QString reason;
        int line = 0;
        const bool read = yamlMonthDays(bytes, 2026, month, slow, reason, line);
        if (!quickMonthDays(bytes, fast)) {
            QVERIFY(!quick);
            return;
        }
        QVERIFY2(read, qPrintable(reason));
        QCOMPARE(fast, slow);
    }

    // Almanah's entry XML is read without an XML reader when it holds only text, named
    // entities and plain elements; what that reading takes, of the XML as written and
    // with one byte changed, reads as Qt's XML reader reads it.
    void quickAlmanahTextIsTheXmlReaders_data()
    {
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QString>("quick");
        QTest::newRow("text and entities")
            << QStringList{"晴れ", "\n",   " ",      "ABC",    "！", "\t", "&amp;",
                           "&lt;", "&gt;", "&quot;", "&apos;", "]",  "]]"}
            << "all";
        QTest::newRow("elements") << QStringList{"<bold>", "</bold>", "<italic>", "</italic>",
                                                 "日",     ">",       "]]"}
                                  << "some";
        QTest::newRow("what needs the reader") << QStringList{"<link uri=\"http://a.jp\">",
                                                              "</link>",
                                                              "&#65;",
                                                              "&x;",
                                                              "\r",
                                                              "<!--c-->",
                                                              "<![CDATA[<]]>",
                                                              "]]>",
                                                              "\x01",
                                                              "\xEF\xBF\xBE"}
                                               << "none";
    }
    void quickAlmanahTextIsTheXmlReaders()
    {
        QFETCH(QStringList, pieces);
        QFETCH(QString, quick);
        QRandomGenerator random(20261207);
        const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<entry "
                                "xmlns=\"http://www.gnome.org/almanah-diary/entry/2.0/\">";
        const QByteArray alphabet("<>/&;]\r\n\x01 ab\xE6\x97\xEF");
        constexpr int kEntries = 200;
        int quickAsWritten = 0, quickMutated = 0;
        for (int entry = 0; entry < kEntries; ++entry) {
            const QByteArray text = drawText(random, pieces, random.bounded(1, 30)).toUtf8();
            for (int variant = 0; variant < 10; ++variant) {
                const QByteArray xml =
                    head + (variant == 0 ? text : mutated(random, text, alphabet)) + "</entry>";
                QString fast, slow;
                if (!quickAlmanahText(xml, fast)) continue;
                ++(variant == 0 ? quickAsWritten : quickMutated);
                QVERIFY2(almanahXmlText(xml, slow), xml.constData());
                QCOMPARE(fast, slow);
            }
        }
        if (quick == u"all") QCOMPARE(quickAsWritten, kEntries);
        if (quick == u"some") QVERIFY(quickAsWritten > 0 && quickAsWritten < kEntries);
        if (quick == u"none") QCOMPARE(quickAsWritten, 0);
        if (quick == u"all") QVERIFY(quickMutated > 500); // changed entries compared too
    }

    void stopsWhenAsked()
    {
        QList<test::PeerDay> days;
        for (int i = 0; i < 40; ++i)
            days << test::PeerDay{QDate(2001, 1, 1).addMonths(i), QStringLiteral("月")};
        const QString folder = scratch(QStringLiteral("rn"));
        test::writeRedNotebook(folder, days);
        int calls = 0;
        const PeerResult r = readPeer(Peer::RedNotebook, folder, today(),
                                      [&](qint64, qint64) { return ++calls < 3; });
        QVERIFY(r.source.stopped);
        QCOMPARE(calls, 3);
    }
};

QTEST_MAIN(TestPeers)
#include "tst_peers.moc"
