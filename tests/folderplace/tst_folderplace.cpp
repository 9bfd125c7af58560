// Where the data folder lies: sync tools' markers on its path, network and FUSE file systems.

#include "FakePlatform.h"
#include "FolderPlace.h"
#include "PlaceWarning.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace drv;
using namespace drv::place;

namespace {

constexpr qint64 kTmpfs = 0x01021994;

// "a/.stfolder/" makes a folder, "a/.dropbox" a file, "l -> s/x" a symbolic link.
void make(const QString& root, const QString& what)
{
    if (what.contains(u" -> "_qs)) {
        const QStringList parts = what.split(u" -> "_qs);
        QDir().mkpath(root + u'/' + parts[1]);
        QVERIFY(QFile::link(root + u'/' + parts[1], root + u'/' + parts[0]));
    } else if (what.endsWith(u'/')) {
        QVERIFY(QDir().mkpath(root + u'/' + what));
    } else {
        QDir().mkpath(QFileInfo(root + u'/' + what).path());
        QFile f(root + u'/' + what);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
}

} // namespace

class TestFolderPlace : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void judged_data()
    {
        QTest::addColumn<QStringList>("made");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<qint64>("fsType");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("where"); // below the root
        QTest::addColumn<QString>("what");
        const int local = FolderPlace::Local, synced = FolderPlace::SyncedFolder,
                  remote = FolderPlace::RemoteFileSystem;
        auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };
        row("local disk") << QStringList{u"a/b/"_qs} << u"a/b"_qs << kTmpfs << local << u"a/b"_qs
                          << QString();
        row("Syncthing folder itself") << QStringList{u"s/.stfolder/"_qs} << u"s"_qs << kTmpfs
                                       << synced << u"s"_qs << u".stfolder"_qs;
        row("Syncthing two levels up")
            << QStringList{u"s/.stignore"_qs, u"s/x/y/"_qs} << u"s/x/y"_qs << kTmpfs << synced
            << u"s"_qs << u".stignore"_qs;
        row("Dropbox") << QStringList{u"d/.dropbox"_qs, u"d/diary/"_qs} << u"d/diary"_qs << kTmpfs
                       << synced << u"d"_qs << u".dropbox"_qs;
        row("Dropbox cache") << QStringList{u"d/.dropbox.cache/"_qs} << u"d"_qs << kTmpfs << synced
                             << u"d"_qs << u".dropbox.cache"_qs;
        row("Nextcloud journal") << QStringList{u"n/.sync_4f3a2b1c09de.db"_qs, u"n/D/"_qs}
                                 << u"n/D"_qs << kTmpfs << synced << u"n"_qs
                                 << u".sync_4f3a2b1c09de.db"_qs;
        row("older client's journal") << QStringList{u"n/._sync_9a8b7c.db"_qs} << u"n"_qs << kTmpfs
                                      << synced << u"n"_qs << u"._sync_9a8b7c.db"_qs;
        row("Nextcloud log") << QStringList{u"n/.nextcloudsync.log"_qs} << u"n"_qs << kTmpfs
                             << synced << u"n"_qs << u".nextcloudsync.log"_qs;
        row("ownCloud log") << QStringList{u"o/.owncloudsync.log"_qs} << u"o"_qs << kTmpfs << synced
                            << u"o"_qs << u".owncloudsync.log"_qs;
        row("look-alikes are no markers")
            << QStringList{u"x/.sync_notes.txt"_qs, u"x/stfolder/"_qs, u"x/.sync_.dbx"_qs}
            << u"x"_qs << kTmpfs << local << u"x"_qs << QString();
        row("a marker below is not above") << QStringList{u"p/q/.stfolder/"_qs} << u"p"_qs << kTmpfs
                                           << local << u"p"_qs << QString();
        row("through a symbolic link") << QStringList{u"s/.stfolder/"_qs, u"l -> s/x"_qs} << u"l"_qs
                                       << kTmpfs << synced << u"s"_qs << u".stfolder"_qs;
        row("NFS") << QStringList{u"h/"_qs} << u"h"_qs << qint64(0x6969) << remote << u"h"_qs
                   << u"NFS"_qs;
        row("CIFS") << QStringList{u"h/"_qs} << u"h"_qs << qint64(0xFF534D42) << remote << u"h"_qs
                    << u"CIFS"_qs;
        row("SMB2") << QStringList{u"h/"_qs} << u"h"_qs << qint64(0xFE534D42) << remote << u"h"_qs
                    << u"SMB2"_qs;
        row("FUSE") << QStringList{u"h/"_qs} << u"h"_qs << qint64(0x65735546) << remote << u"h"_qs
                    << u"FUSE"_qs;
        row("9p") << QStringList{u"h/"_qs} << u"h"_qs << qint64(0x01021997) << remote << u"h"_qs
                  << u"9p"_qs;
        row("ext4") << QStringList{u"h/"_qs} << u"h"_qs << qint64(0xEF53) << local << u"h"_qs
                    << QString();
        row("unknown type") << QStringList{u"h/"_qs} << u"h"_qs << qint64(-1) << local << u"h"_qs
                            << QString();
        row("a marker on NFS names the sync tool")
            << QStringList{u"s/.stfolder/"_qs} << u"s"_qs << qint64(0x6969) << synced << u"s"_qs
            << u".stfolder"_qs;
    }
    void judged()
    {
        QFETCH(QStringList, made);
        QFETCH(QString, folder);
        QFETCH(qint64, fsType);
        QFETCH(int, kind);
        QFETCH(QString, where);
        QFETCH(QString, what);
        QTemporaryDir dir;
        const QString root = QFileInfo(dir.path()).canonicalFilePath();
        for (const QString& m : made)
            make(root, m);
        QString asked;
        const FolderPlace place =
            judgeFolder(root + u'/' + folder + u'/', [&](const QString& path) {
                asked = path;
                return fsType < 0 ? std::nullopt : std::optional<qint64>(fsType);
            });
        QCOMPARE(int(place.kind), kind);
        QCOMPARE(place.what, what);
        if (kind == FolderPlace::SyncedFolder)
            QCOMPARE(place.where, root + u'/' + where);
        else // the file system of the folder the files really land in
            QCOMPARE(asked, QFileInfo(root + u'/' + folder).canonicalFilePath());
    }

    void warnedOncePerFolder()
    {
        test::FakePlatform fake;
        const QString synced = fake.makeDir(u"Sync/diary"_qs);
        make(fake.root.path(), u"Sync/.stfolder/"_qs);
        const QString nfs = fake.makeDir(u"nfs"_qs);
        const FsTypeOf onNfs = [](const QString&) { return qint64(0x6969); };

        QVERIFY(warnOfPlace(synced + u'/'));
        QVERIFY(!warnOfPlace(synced + u'/'));
        QVERIFY(warnOfPlace(nfs, onNfs));
        QVERIFY(!warnOfPlace(nfs + u"/."_qs, onNfs)); // the same folder spelt otherwise
        QCOMPARE(fake.messages.size(), 2);
        QVERIFY(fake.messages[0].contains(u".stfolder"_qs));
        QVERIFY(fake.messages[1].contains(u"NFS"_qs));
        for (const QString& m : fake.messages)
            QVERIFY(m.contains(u"写しのフォルダー"_qs));

        // A local folder says nothing and remembers nothing.
        const int writes = fake.userWrites;
        QVERIFY(!warnOfPlace(fake.makeDir(u"local"_qs)));
        QCOMPARE(fake.userWrites, writes);
        QCOMPARE(fake.messages.size(), 2);
        QVERIFY(fsTypeOf(fake.root.path()).has_value());
    }
};

QTEST_GUILESS_MAIN(TestFolderPlace)
#include "tst_folderplace.moc"
