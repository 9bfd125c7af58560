// The settings file "User.xml": loading, typed reads, in-place changes, the byte layout on
// disk, and damaged files that must never stop the program.

#include "Cp932.h"
#include "FakePlatform.h"
#include "SettingsExercise.h"
#include "Unprivileged.h"
#include "yIni.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <climits>
#include <memory>

using namespace drv;

namespace {

const QString kDeclaration = QStringLiteral("<?xml version='1.0' encoding='Shift-JIS' ?>");

// Lines joined by CR LF, with none after the last, as the program writes them.
QString crlf(const QStringList& lines)
{
    return lines.join(QStringLiteral("\r\n"));
}

// The file after one run: three calendar columns, window at 1200, 900, 10000 x 8000.
QString exampleFile()
{
    return crlf({kDeclaration, QStringLiteral("<運用>"), QStringLiteral("   <ｶﾚﾝﾀﾞｰ>"),
                 QStringLiteral("      <列数>3</列数>"), QStringLiteral("   </ｶﾚﾝﾀﾞｰ>"),
                 QStringLiteral("   <画面>"), QStringLiteral("      <LEFT>1200</LEFT>"),
                 QStringLiteral("      <TOP>900</TOP>"),
                 QStringLiteral("      <WIDTH>10000</WIDTH>"),
                 QStringLiteral("      <HEIGHT>8000</HEIGHT>"), QStringLiteral("   </画面>"),
                 QStringLiteral("</運用>")});
}

// A document whose one group "画面" holds the given item text (without indentation rules).
QString screenGroupWith(const QString& items)
{
    return kDeclaration + QStringLiteral("\r\n<運用>\r\n   <画面>\r\n") + items +
           QStringLiteral("   </画面>\r\n</運用>");
}

void storeScreen(yIni& ini, int left, int top, int width, int height)
{
    ini.GetGtx(QStringLiteral("画面"));
    ini.SetVal(QStringLiteral("LEFT"), left);
    ini.SetVal(QStringLiteral("TOP"), top);
    ini.SetVal(QStringLiteral("WIDTH"), width);
    ini.SetVal(QStringLiteral("HEIGHT"), height);
    ini.SetGtx();
}

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;
    QString folder;

    QString userXml() const { return folder + QStringLiteral("/User.xml"); }

    void writeFile(const QByteArray& bytes) const
    {
        QFile f(userXml());
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    QByteArray fileBytes() const
    {
        QFile f(userXml());
        if (!f.open(QIODevice::ReadOnly)) return "<unreadable>";
        return f.readAll();
    }
    // A fresh settings object over the file, as at the start of a run.
    void load(yIni& ini) const
    {
        bool ok = false;
        ini.GetTxt(userXml(), ok);
        QVERIFY(ok);
    }
    void save(yIni& ini) const
    {
        bool ok = false;
        ini.SetTxt(ok);
        QVERIFY(ok);
    }
    QString damageMessage(const QString& name) const
    {
        return u'<' + name + QStringLiteral("> の設定が読み込めません\rﾕｰｻﾞｰ環境ﾌｧｲﾙ(") +
               userXml() + QStringLiteral(") が破損しています");
    }

private Q_SLOTS:
    void init()
    {
        fake = std::make_unique<test::FakePlatform>();
        folder = fake->makeDir(QStringLiteral("data"));
    }
    void cleanup() { fake.reset(); }

    // --- Whole-file behaviour ------------------------------------------------------

    void roundTripChangesOnlyTheValueAndTheNewGroup()
    {
        writeFile(cp932Encode(exampleFile()));
        yIni ini;
        load(ini);
        QCOMPARE(ini.sTxt, exampleFile());

        ini.GetGtx(QStringLiteral("ｶﾚﾝﾀﾞｰ"));
        QCOMPARE(ini.sGtx, QStringLiteral("      <列数>3</列数>\r\n"));
        QCOMPARE(ini.vGtVal(QStringLiteral("列数"), 2), QVariant(3.0));
        ini.SetVal(QStringLiteral("列数"), 1);
        ini.SetGtx();

        ini.GetGtx(QStringLiteral("表題Font"));
        QCOMPARE(ini.sGtx, QString());
        ini.SetVal(QStringLiteral("FontName"), QStringLiteral("ＭＳ 明朝"));
        ini.SetVal(QStringLiteral("FontSize"), 12);
        ini.SetVal(QStringLiteral("FontBold"), false);
        ini.SetGtx();
        save(ini);

        const QString expected = crlf(
            {kDeclaration, QStringLiteral("<運用>"), QStringLiteral("   <ｶﾚﾝﾀﾞｰ>"),
             QStringLiteral("      <列数>1</列数>"), QStringLiteral("   </ｶﾚﾝﾀﾞｰ>"),
             QStringLiteral("   <画面>"), QStringLiteral("      <LEFT>1200</LEFT>"),
             QStringLiteral("      <TOP>900</TOP>"), QStringLiteral("      <WIDTH>10000</WIDTH>"),
             QStringLiteral("      <HEIGHT>8000</HEIGHT>"), QStringLiteral("   </画面>"),
             QStringLiteral("   <表題Font>"),
             QStringLiteral("      <FontName>ＭＳ 明朝</FontName>"),
             QStringLiteral("      <FontSize>12</FontSize>"),
             QStringLiteral("      <FontBold>False</FontBold>"), QStringLiteral("   </表題Font>"),
             QStringLiteral("</運用>")});
        const QByteArray bytes = fileBytes();
        QCOMPARE(bytes, cp932Encode(expected));
        QVERIFY(bytes.endsWith("</\x89\x5e\x97\x70>"));

        // The next run reads what this one stored.
        yIni next;
        load(next);
        next.GetGtx(QStringLiteral("表題Font"));
        QCOMPARE(next.vGtVal(QStringLiteral("FontName"), QStringLiteral("x")),
                 QVariant(QStringLiteral("ＭＳ 明朝")));
        QCOMPARE(next.vGtVal(QStringLiteral("FontBold"), true), QVariant(false));
        QVERIFY(fake->messages.isEmpty());
    }

    void storingAGroupAgainKeepsItsPlaceAndItems()
    {
        writeFile(cp932Encode(exampleFile()));
        yIni ini;
        load(ini);
        storeScreen(ini, 1200, 900, 10000, 8000);
        QCOMPARE(ini.sTxt, exampleFile());
        // A value set twice stays where it was; a new key goes last in its group.
        ini.GetGtx(QStringLiteral("画面"));
        ini.SetVal(QStringLiteral("TOP"), 5);
        ini.SetVal(QStringLiteral("MAX"), true);
        ini.SetVal(QStringLiteral("TOP"), 6);
        QCOMPARE(ini.sGtx, QStringLiteral("      <LEFT>1200</LEFT>\r\n      <TOP>6</TOP>\r\n"
                                          "      <WIDTH>10000</WIDTH>\r\n"
                                          "      <HEIGHT>8000</HEIGHT>\r\n"
                                          "      <MAX>True</MAX>\r\n"));
    }

    void firstRunCreatesEmptyFileThenWritesTheScreenGroup()
    {
        QVERIFY(!QFileInfo::exists(userXml()));
        yIni ini;
        load(ini);
        QVERIFY(QFileInfo(userXml()).isFile());
        QCOMPARE(QFileInfo(userXml()).size(), 0);
        QCOMPARE(ini.sTxt, kDeclaration + QStringLiteral("\r\n<運用>\r\n</運用>"));

        storeScreen(ini, 1200, 900, 10000, 8000);
        save(ini);
        // Spelt out in CP932: 運用 is 89 5E 97 70, 画面 is 89 E6 96 CA.
        const QByteArray expected = "<?xml version='1.0' encoding='Shift-JIS' ?>\r\n"
                                    "<\x89\x5e\x97\x70>\r\n"
                                    "   <\x89\xe6\x96\xca>\r\n"
                                    "      <LEFT>1200</LEFT>\r\n"
                                    "      <TOP>900</TOP>\r\n"
                                    "      <WIDTH>10000</WIDTH>\r\n"
                                    "      <HEIGHT>8000</HEIGHT>\r\n"
                                    "   </\x89\xe6\x96\xca>\r\n"
                                    "</\x89\x5e\x97\x70>";
        QCOMPARE(fileBytes(), expected);
    }

    void emptyFirstLineStartsTheEmptyDocument_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("zero bytes") << QByteArray();
        QTest::newRow("CR LF first") << cp932Encode(QStringLiteral("\r\n") + exampleFile());
        QTest::newRow("LF first") << cp932Encode(QStringLiteral("\n") + exampleFile());
    }
    void emptyFirstLineStartsTheEmptyDocument()
    {
        QFETCH(QByteArray, content);
        writeFile(content);
        yIni ini;
        load(ini);
        QCOMPARE(ini.sTxt, kDeclaration + QStringLiteral("\r\n<運用>\r\n</運用>"));
        ini.GetGtx(QStringLiteral("画面"));
        QCOMPARE(ini.vGtVal(QStringLiteral("WIDTH"), 10000), QVariant(10000));
        // Nothing is written until SetTxt: the file stays as it was.
        QCOMPARE(fileBytes(), content);
    }

    void dvFileNameLoadsAndWritesThePlainFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("_DV.xml") << "User_DV.xml";
        QTest::newRow("_dv.XML") << "User_dv.XML";
        QTest::newRow("_Dv.Xml") << "User_Dv.Xml";
    }
    void dvFileNameLoadsAndWritesThePlainFile()
    {
        QFETCH(QString, name);
        writeFile(cp932Encode(exampleFile()));
        yIni ini;
        bool ok = false;
        ini.GetTxt(folder + u'/' + name, ok);
        QVERIFY(ok);
        QCOMPARE(ini.sFlNm, userXml());
        QCOMPARE(ini.sTxt, exampleFile());
        storeScreen(ini, 1, 2, 3, 4);
        save(ini);
        QVERIFY(fileBytes().contains("<LEFT>1</LEFT>"));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("User.xml")});
    }

    void setTxtWithoutLoadedFileChangesNothing_data()
    {
        QTest::addColumn<bool>("before");
        QTest::newRow("was true") << true;
        QTest::newRow("was false") << false;
    }
    void setTxtWithoutLoadedFileChangesNothing()
    {
        QFETCH(bool, before);
        yIni ini;
        storeScreen(ini, 1, 2, 3, 4);
        bool ok = before;
        ini.SetTxt(ok);
        QCOMPARE(ok, before);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
    }

    void failedWriteReportsFalseAndKeepsTheDocument()
    {
        writeFile(cp932Encode(exampleFile()));
        yIni ini;
        load(ini);
        storeScreen(ini, 1, 2, 3, 4);
        const QString document = ini.sTxt;
        ini.sFlNm = folder + QStringLiteral("/gone/User.xml");
        bool ok = true;
        ini.SetTxt(ok);
        QVERIFY(!ok);
        QCOMPARE(ini.sTxt, document);
        QVERIFY(fake->messages.isEmpty());
    }

    // The settings file is its owner's only, whether the run made it or found it readable
    // by everyone (copied or synced from elsewhere).
    void writeLeavesNoTemporaryFileBehind_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::newRow("made by the first run") << false;
        QTest::newRow("found readable by everyone") << true;
    }
    void writeLeavesNoTemporaryFileBehind()
    {
        QFETCH(bool, existing);
        const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                            QFileDevice::ReadOther | QFileDevice::WriteOther;
        if (existing) {
            writeFile(cp932Encode(exampleFile()));
            QVERIFY(QFile::setPermissions(userXml(), ownerOnly | QFileDevice::ReadGroup |
                                                         QFileDevice::ReadOther));
        }
        yIni ini;
        load(ini);
        if (!existing) // the empty file the first run makes
            QCOMPARE(QFileInfo(userXml()).permissions() & others, QFileDevice::Permissions());
        storeScreen(ini, 1, 2, 3, 4);
        save(ini);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("User.xml")});
        const QFileDevice::Permissions perms = QFileInfo(userXml()).permissions();
        QVERIFY(perms & QFileDevice::WriteOwner);
        QCOMPARE(perms & others, QFileDevice::Permissions());
    }

    // Settings the program could not read are the user's still: the end of the run
    // must not replace them with defaults.
    void unreadableFileIsNeverOverwritten()
    {
        DRV_NEEDS_PERMISSIONS();
        const QByteArray before = cp932Encode(exampleFile());
        writeFile(before);
        QVERIFY(QFile::setPermissions(userXml(), QFileDevice::WriteOwner));
        yIni ini;
        bool ok = true;
        ini.GetTxt(userXml(), ok);
        QVERIFY(!ok);
        storeScreen(ini, 1, 2, 3, 4);
        ok = true;
        ini.SetTxt(ok);
        QVERIFY(!ok);
        QVERIFY(QFile::setPermissions(userXml(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QFile f(userXml());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }

    void unreadablePathReportsFalse()
    {
        QDir().mkdir(userXml()); // a folder where the file should be
        yIni ini;
        bool ok = true;
        ini.GetTxt(userXml(), ok);
        QVERIFY(!ok);
        QCOMPARE(ini.sFlNm, userXml());
        QVERIFY(fake->messages.isEmpty());
    }

    // --- Typed values --------------------------------------------------------------

    void typedReads_data()
    {
        QTest::addColumn<QString>("stored"); // the text between <K> and </K>
        QTest::addColumn<QVariant>("def");
        QTest::addColumn<QVariant>("expected");

        QTest::newRow("bool True") << "True" << QVariant(false) << QVariant(true);
        QTest::newRow("bool False") << "False" << QVariant(true) << QVariant(false);
        QTest::newRow("bool -1") << "-1" << QVariant(false) << QVariant(true);
        QTest::newRow("bool 0") << "0" << QVariant(true) << QVariant(false);
        QTest::newRow("bool lower-case true") << "true" << QVariant(false) << QVariant(true);
        QTest::newRow("bool empty") << "" << QVariant(true) << QVariant(true);
        QTest::newRow("bool yes, default true") << "yes" << QVariant(true) << QVariant(true);
        QTest::newRow("bool yes, default false") << "yes" << QVariant(false) << QVariant(false);
        QTest::newRow("bool number then text") << "1x" << QVariant(false) << QVariant(false);

        QTest::newRow("number 9000.5") << "9000.5" << QVariant(10000) << QVariant(9000.5);
        QTest::newRow("number whole") << "1200" << QVariant(0) << QVariant(1200.0);
        QTest::newRow("number abc is 0") << "abc" << QVariant(10000) << QVariant(0.0);
        QTest::newRow("number empty keeps default type")
            << "" << QVariant(10000) << QVariant(10000);
        QTest::newRow("number leading part") << "12px" << QVariant(0) << QVariant(12.0);
        QTest::newRow("number blanks skipped") << " 1 2\t3" << QVariant(0) << QVariant(123.0);
        QTest::newRow("number negative exponent") << "-3.5e2" << QVariant(0) << QVariant(-350.0);
        QTest::newRow("number D exponent") << "1D2" << QVariant(0) << QVariant(100.0);
        QTest::newRow("number E without digits") << "7E" << QVariant(0) << QVariant(7.0);
        QTest::newRow("number bare point") << ".5" << QVariant(0) << QVariant(0.5);
        QTest::newRow("number comma is not a point") << "9,5" << QVariant(0) << QVariant(9.0);
        QTest::newRow("number too large") << "1e999" << QVariant(10000) << QVariant(10000);
        QTest::newRow("number double default") << "2" << QVariant(1.5) << QVariant(2.0);

        QTest::newRow("text") << "ＭＳ 明朝" << QVariant(QStringLiteral("ＭＳ Ｐゴシック"))
                              << QVariant(QStringLiteral("ＭＳ 明朝"));
        QTest::newRow("text empty") << "" << QVariant(QStringLiteral("ＭＳ Ｐゴシック"))
                                    << QVariant(QStringLiteral("ＭＳ Ｐゴシック"));
        QTest::newRow("text with markup")
            << "a<b>&c" << QVariant(QString()) << QVariant(QStringLiteral("a<b>&c"));

        const QDate def(2000, 1, 1);
        QTest::newRow("date slashes")
            << "2026/12/07" << QVariant(def) << QVariant(QDate(2026, 12, 7));
        QTest::newRow("date ISO") << "2026-1-5" << QVariant(def) << QVariant(QDate(2026, 1, 5));
        QTest::newRow("date invalid day") << "2026/02/30" << QVariant(def) << QVariant(def);
        QTest::newRow("date words") << "tomorrow" << QVariant(def) << QVariant(def);
        QTest::newRow("date empty") << "" << QVariant(def) << QVariant(def);
    }
    void typedReads()
    {
        QFETCH(QString, stored);
        QFETCH(QVariant, def);
        QFETCH(QVariant, expected);
        writeFile(cp932Encode(
            screenGroupWith(QStringLiteral("      <K>") + stored + QStringLiteral("</K>\r\n"))));
        yIni ini;
        load(ini);
        ini.GetGtx(QStringLiteral("画面"));
        const QVariant got = ini.vGtVal(QStringLiteral("K"), def);
        QCOMPARE(got.typeId(), expected.typeId());
        QCOMPARE(got, expected);
        QVERIFY(fake->messages.isEmpty());
    }

    void absentKeyGivesTheDefault()
    {
        writeFile(cp932Encode(exampleFile()));
        yIni ini;
        load(ini);
        ini.GetGtx(QStringLiteral("画面"));
        QCOMPARE(ini.vGtVal(QStringLiteral("MAX"), false), QVariant(false));
        QCOMPARE(ini.vGtVal(QStringLiteral("MAX"), 7), QVariant(7));
        // Names match exactly: "left" is not "LEFT".
        QCOMPARE(ini.vGtVal(QStringLiteral("left"), 5), QVariant(5));
        ini.GetGtx(QStringLiteral("文書Font"));
        QCOMPARE(ini.sGtx, QString());
        QCOMPARE(ini.vGtVal(QStringLiteral("FontSize"), 9), QVariant(9));
        QVERIFY(fake->messages.isEmpty());
    }

    void keysAreCaseSensitiveWhenSet()
    {
        writeFile(cp932Encode(screenGroupWith(QStringLiteral("      <left>5</left>\r\n"))));
        yIni ini;
        load(ini);
        ini.GetGtx(QStringLiteral("画面"));
        ini.SetVal(QStringLiteral("LEFT"), 7);
        QCOMPARE(ini.sGtx, QStringLiteral("      <left>5</left>\r\n      <LEFT>7</LEFT>\r\n"));
    }

    void typedWrites_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("true") << QVariant(true) << "True";
        QTest::newRow("false") << QVariant(false) << "False";
        QTest::newRow("int") << QVariant(1200) << "1200";
        QTest::newRow("negative int") << QVariant(-15) << "-15";
        QTest::newRow("double with fraction") << QVariant(9000.5) << "9000.5";
        QTest::newRow("whole double") << QVariant(10000.0) << "10000";
        // Decimal text, never an exponent: "1e+05" would read back as 1 elsewhere.
        QTest::newRow("large whole double") << QVariant(100000.0) << "100000";
        QTest::newRow("very large double") << QVariant(1.5e20) << "150000000000000000000";
        QTest::newRow("small fraction") << QVariant(0.0000125) << "0.0000125";
        QTest::newRow("shortest fraction") << QVariant(0.1) << "0.1";
        QTest::newRow("negative zero") << QVariant(-0.0) << "0";
        QTest::newRow("date") << QVariant(QDate(2026, 12, 7)) << "2026/12/07";
        QTest::newRow("markup unescaped") << QVariant(QStringLiteral("<a> & <b>")) << "<a> & <b>";
        QTest::newRow("empty") << QVariant(QString()) << "";
    }
    void typedWrites()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        yIni ini;
        ini.GetGtx(QStringLiteral("画面"));
        ini.SetVal(QStringLiteral("K"), value);
        QCOMPARE(ini.sGtx, QStringLiteral("      <K>") + text + QStringLiteral("</K>\r\n"));
        // Replacing goes through the same text form.
        ini.SetVal(QStringLiteral("K"), QStringLiteral("old"));
        ini.SetVal(QStringLiteral("K"), value);
        QCOMPARE(ini.sGtx, QStringLiteral("      <K>") + text + QStringLiteral("</K>\r\n"));
    }

    void writtenValuesReadBackInTheirType()
    {
        yIni ini;
        load(ini);
        ini.GetGtx(QStringLiteral("文書Font"));
        ini.SetVal(QStringLiteral("FontSize"), 10.5);
        ini.SetVal(QStringLiteral("FontBold"), true);
        ini.SetVal(QStringLiteral("Since"), QDate(1999, 3, 31));
        ini.SetGtx();
        save(ini);

        yIni next;
        load(next);
        next.GetGtx(QStringLiteral("文書Font"));
        QCOMPARE(next.vGtVal(QStringLiteral("FontSize"), 9), QVariant(10.5));
        QCOMPARE(next.vGtVal(QStringLiteral("FontBold"), false), QVariant(true));
        QCOMPARE(next.vGtVal(QStringLiteral("Since"), QDate()), QVariant(QDate(1999, 3, 31)));
    }

    void daggerInAValueIsWrittenAsALineBreak()
    {
        yIni ini;
        load(ini);
        ini.GetGtx(QStringLiteral("メモ"));
        ini.SetVal(QStringLiteral("Text"), QStringLiteral("上‡下"));
        ini.SetGtx();
        save(ini);
        const QByteArray bytes = fileBytes();
        // 上 is 8F E3, 下 is 89 BA; "‡" (81 F6) must not reach the file.
        QVERIFY(bytes.contains("      <Text>\x8f\xe3\r\n\x89\xba</Text>\r\n"));
        QVERIFY(!bytes.contains("\x81\xf6"));
    }

    void valueHelperKeepsTheDefaultsType_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("whole") << "8000" << 8000;
        QTest::newRow("half rounds to even, down") << "9000.5" << 9000;
        QTest::newRow("half rounds to even, up") << "9001.5" << 9002;
        QTest::newRow("negative") << "-120.4" << -120;
        QTest::newRow("beyond int") << "1e30" << INT_MAX;
        QTest::newRow("below int") << "-1e30" << INT_MIN;
        QTest::newRow("empty") << "" << 10000;
    }
    void valueHelperKeepsTheDefaultsType()
    {
        QFETCH(QString, stored);
        QFETCH(int, expected);
        writeFile(cp932Encode(screenGroupWith(QStringLiteral("      <WIDTH>") + stored +
                                              QStringLiteral("</WIDTH>\r\n"))));
        yIni ini;
        load(ini);
        ini.GetGtx(QStringLiteral("画面"));
        QCOMPARE(ini.value<int>(QStringLiteral("WIDTH"), 10000), expected);
    }

    // --- Damaged files: a message where due, defaults, and the program goes on -----

    void brokenTagsShowTheDamageMessage_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("damaged"); // the name the message is about

        const QString head = kDeclaration + QStringLiteral("\r\n<運用>\r\n");
        QTest::newRow("group cut off")
            << head + QStringLiteral("   <画面>\r\n      <LEFT>12") << "画面"
            << "LEFT"
            << "画面";
        QTest::newRow("group end only") << head + QStringLiteral("      <LEFT>12</LEFT>\r\n"
                                                                 "   </画面>\r\n</運用>")
                                        << "画面"
                                        << "LEFT"
                                        << "画面";
        QTest::newRow("group end before start")
            << head + QStringLiteral("   </画面>\r\n   <画面>\r\n      <LEFT>12</LEFT>\r\n</運用>")
            << "画面"
            << "LEFT"
            << "画面";
        QTest::newRow("key end missing")
            << screenGroupWith(QStringLiteral("      <LEFT>12\r\n      <TOP>9</TOP>\r\n")) << "画面"
            << "LEFT"
            << "LEFT";
        QTest::newRow("key start missing")
            << screenGroupWith(QStringLiteral("      12</LEFT>\r\n")) << "画面"
            << "LEFT"
            << "LEFT";
    }
    void brokenTagsShowTheDamageMessage()
    {
        QFETCH(QString, document);
        QFETCH(QString, group);
        QFETCH(QString, key);
        QFETCH(QString, damaged);
        writeFile(cp932Encode(document));
        yIni ini;
        load(ini);
        ini.GetGtx(group);
        QCOMPARE(ini.vGtVal(key, 77), QVariant(77));
        QCOMPARE(fake->messages, QStringList{damageMessage(damaged)});
    }

    void strayGroupEndIsMendedOnStore_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("expected"); // the file after the store
        const QString head = kDeclaration + QStringLiteral("\r\n<運用>\r\n");
        const QString group = QStringLiteral("   <画面>\r\n      <LEFT>1200</LEFT>\r\n"
                                             "      <TOP>900</TOP>\r\n"
                                             "      <WIDTH>10000</WIDTH>\r\n"
                                             "      <HEIGHT>8000</HEIGHT>\r\n   </画面>\r\n");
        // The new group goes right before the stray end tag's line.
        const QString item = QStringLiteral("      <LEFT>12</LEFT>\r\n");
        const QString strayEnd = QStringLiteral("   </画面>\r\n</運用>");
        QTest::newRow("group end only") << head + item + strayEnd << head + item + group + strayEnd;
        const QString endFirst =
            QStringLiteral("   </画面>\r\n   <画面>\r\n      <LEFT>12</LEFT>\r\n</運用>");
        QTest::newRow("group end before start") << head + endFirst << head + group + endFirst;
        const QString pair = QStringLiteral("   <画面>\r\n      <LEFT>12</LEFT>\r\n   </画面>\r\n");
        QTest::newRow("stray end before a whole group")
            << head + QStringLiteral("   </画面>\r\n") + pair + QStringLiteral("</運用>")
            << head + group + QStringLiteral("   </画面>\r\n") + pair + QStringLiteral("</運用>");
        QTest::newRow("end tag at the very start")
            << QStringLiteral("</画面>") << group + QStringLiteral("</画面>\r\n</運用>");
    }
    void strayGroupEndIsMendedOnStore()
    {
        QFETCH(QString, content);
        QFETCH(QString, expected);
        writeFile(cp932Encode(content));
        yIni ini;
        load(ini);
        storeScreen(ini, 1200, 900, 10000, 8000);
        save(ini);
        QCOMPARE(fileBytes(), cp932Encode(expected));

        fake->messages.clear();
        yIni next;
        load(next);
        next.GetGtx(QStringLiteral("画面"));
        QCOMPARE(next.vGtVal(QStringLiteral("LEFT"), 0), QVariant(1200.0));
        QVERIFY(fake->messages.isEmpty());
    }

    void booleanWordDoesNotStopStoring()
    {
        writeFile(
            cp932Encode(screenGroupWith(QStringLiteral("      <FontBold>yes</FontBold>\r\n"))));
        yIni ini;
        load(ini);
        ini.GetGtx(QStringLiteral("画面"));
        QCOMPARE(ini.vGtVal(QStringLiteral("FontBold"), true), QVariant(true));
        ini.SetVal(QStringLiteral("FontBold"), false);
        ini.SetGtx();
        save(ini);
        QCOMPARE(fileBytes(), cp932Encode(screenGroupWith(
                                  QStringLiteral("      <FontBold>False</FontBold>\r\n"))));
    }

    void groupTooShortReadsEmptyAndIsMended_data()
    {
        QTest::addColumn<QString>("group"); // the damaged group as it stands in the file
        QTest::newRow("end right after start") << "   <画面></画面>\r\n";
        QTest::newRow("one character inside") << "   <画面>x</画面>\r\n";
        QTest::newRow("line break, no indent") << "   <画面>\r\n</画面>\r\n";
        QTest::newRow("three characters inside") << "   <画面>abc</画面>\r\n";
    }
    void groupTooShortReadsEmptyAndIsMended()
    {
        QFETCH(QString, group);
        const QString head = kDeclaration + QStringLiteral("\r\n<運用>\r\n");
        writeFile(cp932Encode(head + group + QStringLiteral("</運用>")));
        yIni ini;
        load(ini);
        ini.GetGtx(QStringLiteral("画面"));
        QCOMPARE(ini.sGtx, QString());
        QCOMPARE(ini.vGtVal(QStringLiteral("WIDTH"), 10000), QVariant(10000));
        QVERIFY(fake->messages.isEmpty());

        storeScreen(ini, 1200, 900, 10000, 8000);
        save(ini);
        // Rewritten in place, so the next run reads it and there is still only one of it.
        QCOMPARE(fileBytes(), cp932Encode(head + QStringLiteral("   <画面>\r\n"
                                                                "      <LEFT>1200</LEFT>\r\n"
                                                                "      <TOP>900</TOP>\r\n"
                                                                "      <WIDTH>10000</WIDTH>\r\n"
                                                                "      <HEIGHT>8000</HEIGHT>\r\n"
                                                                "   </画面>\r\n</運用>")));
    }

    void missingRootEndStillStoresTheGroup_data()
    {
        QTest::addColumn<QString>("content");
        // Cut off after the calendar group: the new group and the root end follow it.
        QTest::newRow("new group") << crlf(
            {kDeclaration, QStringLiteral("<運用>"), QStringLiteral("   <ｶﾚﾝﾀﾞｰ>"),
             QStringLiteral("      <列数>3</列数>"), QStringLiteral("   </ｶﾚﾝﾀﾞｰ>"), QString()});
        // Cut off just before the root end: the group stays in place, the root end comes back.
        QTest::newRow("stored group") << exampleFile().chopped(QStringLiteral("</運用>").size());
    }
    void missingRootEndStillStoresTheGroup()
    {
        QFETCH(QString, content);
        writeFile(cp932Encode(content));
        yIni ini;
        load(ini);
        storeScreen(ini, 1200, 900, 10000, 8000);
        save(ini);
        QCOMPARE(fileBytes(), cp932Encode(exampleFile()));
        QVERIFY(fake->messages.isEmpty());
    }

    void missingRootEndHealsWithinTwoRuns_data()
    {
        QTest::addColumn<QString>("content");
        const QString head = kDeclaration + QStringLiteral("\r\n<運用>\r\n");
        QTest::newRow("cut inside the group")
            << head + QStringLiteral("   <画面>\r\n      <LEFT>12");
        QTest::newRow("cut inside a tag") << head + QStringLiteral("   <ｶﾚﾝﾀﾞｰ>\r\n      <列");
        QTest::newRow("cut after the root start") << head;
        QTest::newRow("not a settings file") << QStringLiteral("hello");
    }
    void missingRootEndHealsWithinTwoRuns()
    {
        QFETCH(QString, content);
        const QString group = QStringLiteral("   <画面>\r\n"
                                             "      <LEFT>%1</LEFT>\r\n"
                                             "      <TOP>900</TOP>\r\n"
                                             "      <WIDTH>10000</WIDTH>\r\n"
                                             "      <HEIGHT>8000</HEIGHT>\r\n"
                                             "   </画面>\r\n");
        writeFile(cp932Encode(content));
        yIni first;
        load(first);
        storeScreen(first, 1201, 900, 10000, 8000);
        save(first);
        // The group goes on a line of its own after what is left, and the root is closed.
        const QString lineEnd = content.endsWith(u'\n') ? QString() : QStringLiteral("\r\n");
        QCOMPARE(fileBytes(),
                 cp932Encode(content + lineEnd + group.arg(1201) + QStringLiteral("</運用>")));

        // Leftovers of a cut-off group may still be read once; the next store clears them.
        yIni second;
        load(second);
        storeScreen(second, 1202, 900, 10000, 8000);
        save(second);
        fake->messages.clear();
        yIni last;
        load(last);
        QVERIFY(last.sTxt.endsWith(group.arg(1202) + QStringLiteral("</運用>")));
        last.GetGtx(QStringLiteral("画面"));
        QCOMPARE(last.vGtVal(QStringLiteral("LEFT"), 0), QVariant(1202.0));
        QVERIFY(fake->messages.isEmpty());
    }

    void strayEndTagBeforeAKeyLeavesItAlone()
    {
        writeFile(cp932Encode(
            screenGroupWith(QStringLiteral("      </LEFT>\r\n      <LEFT>5</LEFT>\r\n"))));
        yIni ini;
        load(ini);
        ini.GetGtx(QStringLiteral("画面"));
        QCOMPARE(ini.vGtVal(QStringLiteral("LEFT"), 0), QVariant(0));
        QCOMPARE(fake->messages, QStringList{damageMessage(QStringLiteral("LEFT"))});
        ini.SetVal(QStringLiteral("LEFT"), 6);
        QCOMPARE(ini.sGtx, QStringLiteral("      </LEFT>\r\n      <LEFT>6</LEFT>\r\n"));
    }

    void invalidBytesAreReplacedAndTheRestIsKept()
    {
        // A group of someone else's with bytes that are not CP932, and a cut-off lead byte.
        const QByteArray head = cp932Encode(kDeclaration + QStringLiteral("\r\n<運用>\r\n"));
        const QByteArray junk = "   <X>\r\n      <Y>\x81\x20\xff\xa0\x80</Y>\r\n   </X>\r\n";
        const QByteArray tail = cp932Encode(QStringLiteral("   <画面>\r\n      <LEFT>5</LEFT>\r\n"
                                                           "   </画面>\r\n</運用>"));
        writeFile(head + junk + tail + "\x81");
        yIni ini;
        load(ini);
        ini.GetGtx(QStringLiteral("画面"));
        QCOMPARE(ini.vGtVal(QStringLiteral("LEFT"), 0), QVariant(5.0));
        ini.GetGtx(QStringLiteral("X"));
        QVERIFY(!ini.vGtVal(QStringLiteral("Y"), QString()).toString().isEmpty());
        storeScreen(ini, 6, 7, 8, 9);
        save(ini);
        const QByteArray bytes = fileBytes();
        QVERIFY(bytes.startsWith(head + "   <X>\r\n      <Y>"));
        QVERIFY(bytes.contains(
            cp932Encode(QStringLiteral("</Y>\r\n   </X>\r\n   <画面>\r\n      <LEFT>6</LEFT>"))));
        QVERIFY(bytes.contains(
            cp932Encode(QStringLiteral("<HEIGHT>9</HEIGHT>\r\n   </画面>\r\n</運用>"))));
    }

    // --- Inputs that once broke the settings code, and the fuzzer's seeds ----------

    void fuzzInputsPassTheChecks_data()
    {
        QTest::addColumn<QString>("path");
        int count = 0;
        for (const char* sub : {"corpus", "regressions"}) {
            QDirIterator it(QStringLiteral(DRV_FUZZ_DIR "/") + QLatin1String(sub), QDir::Files);
            while (it.hasNext()) {
                const QString path = it.next();
                QTest::newRow(qPrintable(QLatin1String(sub) + u'/' + it.fileName())) << path;
                ++count;
            }
        }
        QVERIFY2(count > 0, "no fuzz inputs found");
    }
    void fuzzInputsPassTheChecks()
    {
        QFETCH(QString, path);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString problem = test::exerciseSettingsFile(f.readAll(), folder);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
