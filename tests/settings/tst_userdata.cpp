// Where the diary lives: UserData.ini, the default folders, folder creation and the
// record of the executable's path.

#include "Cp932.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "yIni.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace drv;

class TestUserData : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;

    QString dataDefault() const
    {
        return fake->specialFolders[26] + QStringLiteral("/Orbena/drvesk/");
    }
    void writeIni(const QByteArray& bytes) const
    {
        QFile f(fake->programFolder + QStringLiteral("/UserData.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QString iniPath() const { return fake->programFolder + QStringLiteral("/UserData.ini"); }

private Q_SLOTS:
    void init()
    {
        fake = std::make_unique<test::FakePlatform>();
        sExeNm = QStringLiteral("drvesk");
        sUsrFld.clear();
        sApFld.clear();
    }
    void cleanup() { fake.reset(); }

    void exeStemDropsDvSuffixOnly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("stem");
        QTest::newRow("plain") << "drvesk"
                               << "drvesk";
        QTest::newRow("_dv") << "drvesk_dv"
                             << "drvesk";
        QTest::newRow("_DV") << "drvesk_DV"
                             << "drvesk";
        QTest::newRow("no underscore") << "drveskdv"
                                       << "drveskdv";
        QTest::newRow("only suffix") << "_dv"
                                     << "";
    }
    void exeStemDropsDvSuffixOnly()
    {
        QFETCH(QString, name);
        QFETCH(QString, stem);
        QCOMPARE(exeStem(name), stem);
    }

    void missingIniUsesApplicationDataWithMessage()
    {
        yIni ini;
        ini.W_UserData(7);
        QCOMPARE(ini.nHwnd, qintptr(7));
        QCOMPARE(sApFld, fake->programFolder + QStringLiteral("/apData/"));
        QCOMPARE(sUsrFld, dataDefault());
        QVERIFY(QFileInfo(sUsrFld).isDir());
        QCOMPARE(fake->messages,
                 QStringList{iniPath() + QStringLiteral(" が見つかりません\rﾕｰｻﾞｰﾃﾞｰﾀｰﾌｫﾙﾀﾞは　") +
                             dataDefault() + QStringLiteral(" を使用します")});
    }

    void emptyIniShowsUndefinedMessage_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("zero bytes") << QByteArray();
        QTest::newRow("first line empty") << QByteArray("\r\n%app%");
        QTest::newRow("bare LF first") << QByteArray("\n/tmp");
    }
    void emptyIniShowsUndefinedMessage()
    {
        QFETCH(QByteArray, content);
        writeIni(content);
        yIni ini;
        ini.W_UserData(0);
        QCOMPARE(sUsrFld, dataDefault());
        QCOMPARE(fake->messages,
                 QStringList{QStringLiteral(" ﾕｰｻﾞｰﾃﾞｰﾀｰﾌｫﾙﾀﾞが定義されていません\r") +
                             dataDefault() + QStringLiteral(" を使用します")});
    }

    void tokensChooseTheirFolders_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("where"); // app, data, doc
        QTest::newRow("%APP% exact") << QByteArray("%APP%") << "app";
        QTest::newRow("%app% with line break") << QByteArray("%app%\r\n") << "data";
        QTest::newRow("%usr%") << QByteArray("%usr%") << "data";
        QTest::newRow("%Applicaion Data%") << QByteArray("%Applicaion Data%") << "data";
        QTest::newRow("%doc") << QByteArray("%doc") << "doc";
        QTest::newRow("%DOC%") << QByteArray("%DOC%") << "data";
        QTest::newRow("%my document%") << QByteArray("%My Document%") << "doc";
        QTest::newRow("unknown token") << QByteArray("%temp%") << "data";
        QTest::newRow(" %usr% with a blank") << QByteArray(" %usr%") << "missing";
    }
    void tokensChooseTheirFolders()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, where);
        writeIni(content);
        yIni ini;
        ini.W_UserData(0);
        QString expected;
        if (where == u"app")
            expected = fake->programFolder + QStringLiteral("/usData/");
        else if (where == u"doc")
            expected = fake->specialFolders[5] + QStringLiteral("/Orbena/drvesk/");
        else
            expected = dataDefault();
        QCOMPARE(sUsrFld, expected);
        QVERIFY(QFileInfo(sUsrFld).isDir());
        // Only a folder path that does not exist is worth a word.
        QCOMPARE(fake->messages.size(), where == u"missing" ? 1 : 0);
    }

    void existingFolderIsUsedAsWrittenWithSlash()
    {
        const QString dir = fake->makeDir(QStringLiteral("My Diary"));
        writeIni(cp932Encode(dir));
        yIni ini;
        ini.W_UserData(0);
        QCOMPARE(sUsrFld, dir + u'/');
        QVERIFY(fake->messages.isEmpty());
        QCOMPARE(QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }

    void shiftJisFolderNameIsDecoded()
    {
        const QString dir = fake->makeDir(QStringLiteral("日記帳"));
        writeIni(cp932Encode(dir));
        yIni ini;
        ini.W_UserData(0);
        QCOMPARE(sUsrFld, dir + u'/');
    }

    void missingFolderGivesM3AndIsNotCreated()
    {
        const QString dir = fake->root.path() + QStringLiteral("/Nowhere/Diary");
        writeIni(cp932Encode(dir));
        yIni ini;
        ini.W_UserData(0);
        QCOMPARE(sUsrFld, dataDefault());
        QVERIFY(!QFileInfo::exists(dir));
        QCOMPARE(fake->messages,
                 QStringList{QStringLiteral("ﾌｫﾙﾀﾞ ") + dir +
                             QStringLiteral(" が見つかりません\rﾕｰｻﾞｰﾃﾞｰﾀｰﾌｫﾙﾀﾞは　") +
                             dataDefault() + QStringLiteral(" を使用します")});
    }

    void unknownSpecialFolderIsEmpty()
    {
        fake->specialFolders.remove(26);
        yIni ini;
        QCOMPARE(ini.FsGtSpFld(26), QString());
        QCOMPARE(ini.FsGtSpFld(5), fake->specialFolders[5]);
    }

    void createFolderMakesEveryLevelPrivately()
    {
        yIni ini;
        const QString deep = fake->root.path() + QStringLiteral("/a/b/c/d");
        ini.F_CreateFld(deep);
        QVERIFY(QFileInfo(deep).isDir());
        for (const QString& level : {QStringLiteral("/a"), QStringLiteral("/a/b/c/d")}) {
            const auto perms = QFileInfo(fake->root.path() + level).permissions();
            QVERIFY2(!(perms & (QFileDevice::ReadGroup | QFileDevice::ReadOther)),
                     qPrintable(level));
        }
        // Trailing slash and an existing folder change nothing.
        ini.F_CreateFld(deep + u'/');
        QVERIFY(QFileInfo(deep).isDir());
    }

    void createFolderPassesOverWhatItCannotCreate()
    {
        yIni ini;
        const QString file = fake->root.path() + QStringLiteral("/plain");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        ini.F_CreateFld(file + QStringLiteral("/under/file")); // must not throw or hang
        QVERIFY(!QFileInfo(file + QStringLiteral("/under")).exists());
    }

    void checkSubfoldersCreatesMissingOnes()
    {
        yIni ini;
        const QString base = fake->makeDir(QStringLiteral("base")) + u'/';
        QDir().mkdir(base + QStringLiteral("one"));
        ini.F_ChkSb(base, {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("Wrk")});
        QVERIFY(QFileInfo(base + QStringLiteral("two")).isDir());
        QVERIFY(QFileInfo(base + QStringLiteral("Wrk")).isDir());
    }

    void executablePathRecordedOnceAndAfterMove()
    {
        const QString key = QStringLiteral("OrbenaTools/Path/drvesk");
        {
            yIni ini;
            ini.W_UserData(0);
        }
        QCOMPARE(fake->userValues.value(key), fake->programFolder + QStringLiteral("/drvesk"));
        QCOMPARE(fake->userWrites, 1);
        {
            yIni ini;
            ini.W_UserData(0);
        }
        QCOMPARE(fake->userWrites, 1);
        // The same place in another case is the same place.
        fake->userValues[key] = fake->userValues[key].toUpper();
        {
            yIni ini;
            ini.W_UserData(0);
        }
        QCOMPARE(fake->userWrites, 1);
        fake->programFolder = fake->makeDir(QStringLiteral("moved"));
        {
            yIni ini;
            ini.W_UserData(0);
        }
        QCOMPARE(fake->userWrites, 2);
        QCOMPARE(fake->userValues.value(key), fake->programFolder + QStringLiteral("/drvesk"));
    }

    void dvExecutableSharesFoldersAndRecord()
    {
        sExeNm = exeStem(QStringLiteral("drvesk_Dv"));
        yIni ini;
        ini.W_UserData(0);
        QCOMPARE(sUsrFld, dataDefault());
        QVERIFY(fake->userValues.contains(QStringLiteral("OrbenaTools/Path/drvesk")));
    }
};

QTEST_GUILESS_MAIN(TestUserData)
#include "tst_userdata.moc"
