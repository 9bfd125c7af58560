// A running copy of drvesk on a simulated disk whose power goes at a chosen step, and the
// next start that looks at what the disk kept. One line at a time on standard output:
//
//   run ROOT APDIR CUT SEED   the program's own operations on ROOT/data (the cache in
//                             $XDG_CACHE_HOME under ROOT): saves, a delete, a move, a
//                             correction, the settings file, drafts (directly and typed
//                             through the drafts' writer thread), an import's batch, the
//                             index's catch-up, a snapshot, a restore, the switch to an
//                             encrypted diary, a password change and the switch back
//                             (passwords answered as a person would). After each
//                             operation returned: "done N DIGEST" (the entries' digest); at
//                             the end "steps S". The power goes just before step CUT (0:
//                             never); the process then ends with the simulated disk's code.
//   check ROOT APDIR          opens what was left as the next start would (the password
//                             prompt answered with the newer password, then the older)
//                             and tells: "opened plain|PASSWORD",
//                             "integrity ok|TEXT", "digest D", "search WORD same|differs",
//                             "settings G|broken|none", "draft G|torn|none",
//                             "snapshot NAME whole|broken"

#include "Cp932.h"
#include "CrashEntries.h"
#include "DateKey.h"
#include "Diary.h"
#include "DiaryBatch.h"
#include "DiaryEncryption.h"
#include "DiaryFiles.h"
#include "DiaryKeys.h"
#include "Draft.h"
#include "DraftWriter.h"
#include "Globals.h"
#include "HelperMain.h"
#include "KeySlot.h"
#include "Platform.h"
#include "PowerCut.h"
#include "RecoveryKey.h"
#include "SearchIndex.h"
#include "Snapshots.h"
#include "SqlQuery.h"
#include "Store.h"
#include "SyncedFile.h"
#include "yIni.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sqlite3.h>

using namespace drv;
using crash::say;

namespace {

// The password before and after the change.
const QString kPasswords[] = {QStringLiteral("ひみつ一"), QStringLiteral("ひみつ二")};

const QStringList kWords = {QStringLiteral("雨"), QStringLiteral("散歩"), QStringLiteral("夕焼け")};

QString bodyOf(int n)
{
    QString body = QStringLiteral("%1 番目の日記。").arg(n);
    for (int i = 0; i < kWords.size(); ++i)
        if (n % (i + 2) == 0) body += kWords.at(i) + QStringLiteral("の日。");
    // Some bodies span several pages.
    return body + QString((n % 4) * 1500, u'あ') + QString::number(n);
}

QString draftPath()
{
    return sUsrFld + QStringLiteral("draft.txt");
}

QString settingsPath()
{
    return sUsrFld + QStringLiteral("User.xml");
}

QString digestOfEntries()
{
    QCryptographicHash h(QCryptographicHash::Sha1);
    diary::walk(100, [&](const QList<DiaryEntry>& page) {
        for (const DiaryEntry& e : page)
            h.addData((e.skYmn + u'|' + e.szTtl + u'|' + e.szDoc + u'\n').toUtf8());
        return true;
    });
    return QString::fromLatin1(h.result().toHex());
}

QList<Draft> draftOf(int generation)
{
    return {Draft{
        kMainWindow, QStringLiteral("210301"), QStringLiteral("下書き"), bodyOf(generation), {}}};
}

bool writeDraft(int generation)
{
    return writeSynced(draftPath(), serializeDrafts(draftOf(generation)));
}

// Keys typed one after another: the writer thread writes what it finds when it gets to it,
// so some generations are never written and one may be written while the next is typed.
bool typeDrafts(int from, int to)
{
    DraftWriter writer(draftPath());
    for (int g = from; g <= to; ++g) {
        writer.submit(draftOf(g));
        QThread::usleep(300);
    }
    return writer.flush();
}

bool writeSettings(int generation)
{
    yIni ini;
    bool ok = false;
    ini.GetTxt(settingsPath(), ok);
    if (!ok) return false;
    crash::applyGeneration(ini, generation);
    ini.SetTxt(ok);
    return ok;
}

bool importBatch()
{
    QList<diary::BatchRow> rows;
    for (int d = 0; d < 30; ++d)
        rows << diary::BatchRow{{DateKey::fromDate(QDate(2021, 5, 1).addDays(d)),
                                 QStringLiteral("読み込み"), bodyOf(100 + d)},
                                {}};
    return diary::writeBatch(rows, {}) == diary::BatchOutcome::Written;
}

int run(const QStringList& a)
{
    test::power::install(a[2], a[4].toULongLong(), a[5].toUInt());
    QString snapshot;
    int n = 0;
    std::unique_ptr<vault::KeySet> keys;
    const auto openWith = [&](const QString& password) {
        crash::answers().passwords = {password};
        return DbOpen();
    };
    const QList<std::function<bool()>> ops = {
        [] { return DbOpen(); },
        [] { return diary::save("210101", "一", bodyOf(1)); },
        [] { return diary::save("210102", "二", bodyOf(2)); },
        [] { return diary::save("210103", "三", bodyOf(3)); },
        [] { return diary::save("210104", "四", bodyOf(4)); },
        [] { return diary::save("210101", "一の二", bodyOf(5)); },
        [&] { return diary::remove("210102", n); },
        [&] { return diary::move("210103", "210110", n); },
        [&] { return diary::correct("210104", bodyOf(6), n); },
        [] { return writeSettings(1); },
        [] { return writeDraft(1); },
        [] { return importBatch(); },
        [] { return waitForSearchIndex(10000); },
        [] {
            DbClose(); // the index is stamped in step
            return DbOpen();
        },
        [] { return diary::save("210201", "春", bodyOf(7)); },
        [] { return writeDraft(2); },
        [] { return writeSettings(2); },
        [&] {
            QString reason;
            return keep::takeSnapshot(keep::diaryPath(), keep::snapshotFolder(),
                                      QDateTime(QDate(2026, 12, 8), QTime(12, 0)), false,
                                      CopyPace{}, {}, snapshot,
                                      reason) == keep::SnapshotOutcome::Made;
        },
        [] { return diary::save("210202", "夏", bodyOf(8)); },
        [&] {
            for (const keep::Snapshot& s : keep::listSnapshots(keep::snapshotFolder())) {
                if (s.path != snapshot) continue;
                QString before, reason;
                return keep::restoreSnapshot(s, keep::diaryPath(), keep::snapshotFolder(),
                                             QDateTime(QDate(2026, 12, 8), QTime(12, 5)), {},
                                             before, reason) == keep::RestoreOutcome::Restored;
            }
            return false;
        },
        [] { return waitForSearchIndex(10000); },
        [] { return diary::save("210203", "秋", bodyOf(9)); },
        [] { return removeSynced(draftPath()); },
        [] { return typeDrafts(3, 5); },
        [] {
            DbClose();
            return true;
        },
        [&] {
            QString reason;
            keys = encryption::switchOn(keep::diaryPath(), kPasswords[0], vault::newRecoveryKey(),
                                        {}, reason);
            return keys != nullptr;
        },
        [&] { return openWith(kPasswords[0]) && DbIsEncrypted(); },
        [] { return diary::save("210204", "冬", bodyOf(10)); },
        [] { return typeDrafts(6, 7); }, // sealed, as the diary is
        [] {
            DbClose();
            return true;
        },
        [&] {
            QString reason;
            return encryption::changePassword(keep::diaryPath(), *keys, kPasswords[1], reason);
        },
        [&] {
            QString reason;
            return encryption::switchOff(keep::diaryPath(), *keys, {}, reason);
        },
        [&] {
            crash::answers().passwords.clear(); // a plain diary asks for none
            return DbOpen() && !DbIsEncrypted();
        },
        [] {
            DbClose();
            return true;
        },
    };
    for (qsizetype i = 0; i < ops.size(); ++i) {
        if (!ops.at(i)()) {
            say(QStringLiteral("failed %1").arg(i));
            return 3;
        }
        say(QStringLiteral("done %1 %2").arg(i).arg(DbIsOpen() ? digestOfEntries() : QString()));
    }
    say(QStringLiteral("steps %1").arg(test::power::steps()));
    return 0;
}

QString integrity(const QString& path)
{
    sql::Connection c;
    QString reason;
    if (!c.open(path, SQLITE_OPEN_READONLY, reason)) return reason;
    sql::Query q(c.handle(), QStringLiteral("pragma integrity_check"));
    return q.next() ? q.text(0) : q.lastError();
}

QStringList keysOf(const ColumnTable& t, int count)
{
    QStringList keys;
    for (int i = 0; i < count; ++i)
        keys << t.at(0).at(i).toString();
    keys.sort();
    return keys;
}

int check()
{
    // A hot journal is rolled back by the first connection, as the next start would.
    const QString diary = keep::diaryPath();
    crash::answers().passwords = {kPasswords[1], kPasswords[0]};
    if (!DbOpen()) return 3;
    say(QStringLiteral("opened ") +
        (DbIsEncrypted() ? crash::answers().lastPassword : QStringLiteral("plain")));
    say(QStringLiteral("integrity ") + integrity(diary));
    say(QStringLiteral("digest ") + digestOfEntries());
    waitForSearchIndex(10000);
    for (const QString& w : kWords) {
        ColumnTable a, b;
        int na = 0, nb = 0;
        const bool same =
            SearchWord(w, a, na) && ScanWord(w, b, nb) && keysOf(a, na) == keysOf(b, nb);
        say(QStringLiteral("search %1 %2").arg(w, same ? u"same" : u"differs"));
    }
    // A sealed draft opens with the open diary's keys.
    QFile draft(draftPath());
    QString found = QStringLiteral("none");
    if (draft.open(QIODevice::ReadOnly)) {
        const auto drafts = parseDrafts(draft.readAll());
        found = QStringLiteral("torn");
        for (int g = 1; g <= 7; ++g)
            if (drafts && drafts->size() == 1 && drafts->front().body == bodyOf(g))
                found = QString::number(g);
    }
    say(QStringLiteral("draft ") + found);
    DbClose();

    QFile settings(settingsPath());
    found = QStringLiteral("none");
    if (settings.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = settings.readAll();
        found = QStringLiteral("broken");
        for (int g = 0; g <= 2; ++g)
            if (bytes == cp932Encode(crash::settingsDocument(g))) found = QString::number(g);
    }
    say(QStringLiteral("settings ") + found);

    for (const keep::Snapshot& s : keep::listSnapshots(keep::snapshotFolder())) {
        QString reason;
        say(QStringLiteral("snapshot %1 %2")
                .arg(QFileInfo(s.path).fileName(),
                     checkDiaryFile(s.path, reason) ? u"whole" : u"broken"));
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    return crash::helperMain(argc, argv, QDate(2026, 12, 8), [](const QStringList& a) {
        if (a.size() < 4) return 2;
        sUsrFld = QDir(a[2]).absoluteFilePath(QStringLiteral("data")) + u'/';
        sApFld = QDir(a[3]).absolutePath() + u'/';
        // Keys are made and opened at a test's cost, not a person's.
        vault::setPasswordCost({1, 8u << 20});
        if (a[1] == u"run" && a.size() == 6) return run(a);
        if (a[1] == u"check") return check();
        return 2;
    });
}
