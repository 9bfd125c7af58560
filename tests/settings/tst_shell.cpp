// Shortcuts and opening pages, files and folders through the desktop.

#include "FakePlatform.h"
#include "Globals.h"
#include "yIni.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTest>

using namespace drv;

namespace {

// Reads a shortcut back as the desktop would.
QMap<QString, QString> entry(const QString& path)
{
    QMap<QString, QString> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return out;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
    if (lines.value(0) != u"[Desktop Entry]") return out;
    for (const QString& line : lines.mid(1)) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0) out.insert(line.left(eq), line.mid(eq + 1));
    }
    return out;
}

} // namespace

class TestShell : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::FakePlatform> fake;
    const QString page = QString::fromLatin1(yIni::kMakerPage);

private Q_SLOTS:
    void init()
    {
        fake = std::make_unique<test::FakePlatform>();
        fake->useDiaryFolders();
        sExeNm = QStringLiteral("drvesk");
    }
    void cleanup() { fake.reset(); }

    void helpPageNames_data()
    {
        QTest::addColumn<QString>("job");
        QTest::addColumn<QString>("target");
        QTest::newRow("plain name") << "Index"
                                    << "index.htm";
        QTest::newRow("dotted mixed case") << "Guide.HTML"
                                           << "guide.html";
        QTest::newRow("empty") << ""
                               << ".htm";
    }
    void helpPageNames()
    {
        QFETCH(QString, job);
        QFETCH(QString, target);
        yIni ini;
        ini.W_Help(job);
        QCOMPARE(page.back(), u'/');
        const auto e = entry(sUsrFld + QStringLiteral("drvesk_help.lnk"));
        QCOMPARE(e.value(QStringLiteral("Type")), QStringLiteral("Link"));
        QCOMPARE(e.value(QStringLiteral("URL")), page + target);
        QCOMPARE(fake->opened, QList<QUrl>{QUrl(page + target)});
        QVERIFY(fake->messages.isEmpty());
    }

    void pageViewerNeedsTheWorkFolder()
    {
        yIni ini;
        ini.W_HtmView(QStringLiteral("https://example.org/a b"));
        QVERIFY(fake->opened.isEmpty());
        QVERIFY(fake->messages.isEmpty());
        QVERIFY(!QDir(sUsrFld + QStringLiteral("Wrk")).exists());

        QVERIFY(QDir().mkdir(sUsrFld + QStringLiteral("Wrk")));
        const QString file = sUsrFld + QStringLiteral("memo.txt");
        ini.W_HtmView(file);
        QCOMPARE(entry(sUsrFld + QStringLiteral("Wrk/htm_view.lnk")).value(QStringLiteral("URL")),
                 file);
        QCOMPARE(fake->opened, QList<QUrl>{QUrl::fromLocalFile(file)});
        // Written again, replacing the older one.
        ini.W_HtmView(QStringLiteral("https://example.org/"));
        QCOMPARE(entry(sUsrFld + QStringLiteral("Wrk/htm_view.lnk")).value(QStringLiteral("URL")),
                 QStringLiteral("https://example.org/"));
    }

    void sendToTwiceReplacesAndReportsBothTimes()
    {
        yIni ini;
        ini.W_SendTo();
        ini.W_SendTo();
        const QString apps = fake->specialFolders[9];
        const QString exe = fake->programFolder + QStringLiteral("/drvesk");
        const QString msg =
            exe + QStringLiteral(" のｼｮｰﾄｶｯﾄを ") + apps + QStringLiteral(" に作成しました");
        QCOMPARE(fake->messages, (QStringList{msg, msg}));
        const auto e = entry(apps + QStringLiteral("/drvesk.lnk"));
        QCOMPARE(e.value(QStringLiteral("Type")), QStringLiteral("Application"));
        QCOMPARE(e.value(QStringLiteral("Exec")), u'"' + exe + QStringLiteral("\" %f"));
        QCOMPARE(QDir(apps).entryList(QDir::Files), QStringList{QStringLiteral("drvesk.lnk")});
    }

    void sendToWithoutAFolderDoesNothing()
    {
        fake->specialFolders.remove(9);
        yIni ini;
        ini.W_SendTo();
        QVERIFY(fake->messages.isEmpty());
    }

    void exploreFolders()
    {
        yIni ini;
        ini.W_ExpFd(QString(), true);
        ini.W_ExpFd(QString(), false);
        QVERIFY(fake->opened.isEmpty());
        ini.W_ExpFd(fake->root.path() + QStringLiteral("/none"), false);
        QVERIFY(fake->opened.isEmpty());
        ini.W_ExpFd(sUsrFld, false);
        ini.W_ExpFd(sUsrFld, true);
        QCOMPARE(fake->opened.size(), 2);
        QCOMPARE(fake->opened[0].toLocalFile(), sUsrFld);
        QVERIFY(fake->messages.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestShell)
#include "tst_shell.moc"
