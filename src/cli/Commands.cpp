#include "Commands.h"

#include "DiaryKeys.h"
#include "EntrySource.h"
#include "Globals.h"
#include "KeepReports.h"
#include "Mirror.h"
#include "PeerDetect.h"
#include "RealPlatform.h"
#include "SearchIndex.h"
#include "Store.h"
#include "Terminal.h"
#include "TextMatch.h"
#include "yIni.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <limits>

namespace drv::cli {

namespace {

// A search through an index kept from an earlier opening (an encrypted diary's sealed
// one too) waits this long for it to be in step; past that (or with no index) every body
// is read, which gives the same answer.
constexpr int kIndexWaitMs = 3000;

TerminalDialogs* g_dialogs = nullptr;

QDate today()
{
    return services().clock->today();
}

// The one line on standard error: what failed, then what the libraries said of it.
int fail(const QString& what)
{
    QStringList parts;
    if (!what.isEmpty()) parts << oneLine(what);
    parts << g_dialogs->take();
    err(QStringLiteral("drvesk: %1\n").arg(parts.join(QStringLiteral(": "))));
    return kFailed;
}

// Notes that are no failure (a missing "UserData.ini" names the default folder).
void tellNotes()
{
    for (const QString& line : g_dialogs->take())
        err(QStringLiteral("drvesk: %1\n").arg(line));
}

bool openDiary(QString& failure)
{
    sExeNm = exeStem(services().program->executableName());
    // The search index lives in the cache folder named after the program.
    QCoreApplication::setApplicationName(sExeNm);
    sApFld = services().program->folder() + QStringLiteral("/apData/");
    sUsrFld = yIni().userDataFolder();
    tellNotes();
    const QString path = sUsrFld + QStringLiteral("dbVesk.mdb");
    // A terminal command never makes a diary: a mistyped folder would get an empty one.
    if (!QFileInfo(path).isFile()) {
        failure = QStringLiteral("日記 %1 がありません").arg(path);
        return false;
    }
    if (DbOpen()) return true;
    if (DbOpenCancelled()) failure = g_dialogs->passwordFailure();
    return false;
}

int exportDiary(const Request& r)
{
    if (DbIsEncrypted())
        err(QStringLiteral(
                "drvesk: 日記は暗号化されていますが、書き出すファイル %1 は暗号化されない"
                "平文です\n")
                .arg(r.file));
    const keep::ExportOptions options{r.format, r.encoding, r.from, r.to};
    QList<keep::Unencodable> refused;
    const keep::ExportResult result =
        keep::exportDiary(r.file, options, today(), {}, [&](const QList<keep::Unencodable>& lost) {
            if (!r.lossy) refused = lost;
            return r.lossy;
        });
    if (!refused.isEmpty()) {
        err(keep::lostCharactersList(refused, today(), std::numeric_limits<int>::max()));
        return fail(QStringLiteral("上の日記には Shift-JIS (CP932) で書けない文字があるので、"
                                   "書き出していません (--lossy で「〓」にして書き出します)"));
    }
    if (result.outcome != keep::ExportResult::Written)
        return fail(result.reason.isEmpty()
                        ? QStringLiteral("%1 に書き出せませんでした").arg(r.file)
                        : keep::exportFailureText(r.file, result.reason));
    out(keep::exportedText(r.file, result) + u'\n');
    return kDone;
}

int importFile(const Request& r)
{
    QString notTaken;
    const keep::SourceResult source = peers::readAnySource(r.file, r.format, today(), {}, notTaken);
    if (!source.ok()) return fail(keep::sourceFailureText(r.file, source));
    if (!notTaken.isEmpty()) {
        err(notTaken + u'\n');
        if (!r.yes)
            return fail(
                QStringLiteral("何も読み込んでいません (--yes でほかの日記を読み込みます)"));
    }
    keep::ImportPlan plan;
    if (!keep::planImport(source.entries, plan))
        return fail(keep::batchFailureText(diary::BatchOutcome::Failed));
    if (plan.added.isEmpty() && plan.conflicts.isEmpty()) {
        out(keep::nothingNewText(plan.unchanged) + u'\n');
        return kDone;
    }
    const keep::ImportEnd end =
        keep::writeImport(plan, QList<keep::Resolution>(plan.conflicts.size(), r.onConflict));
    if (end.failed) return fail(end.text);
    out(end.text + u'\n');
    return kDone;
}

// The mirror's one pass, as the window runs it, with the questions answered by options:
// conflicts by --on-conflict, deletions by --yes (without it a deleted day comes back).
int mirrorSync(const Request& r)
{
    mirror::Mirror m(sUsrFld);
    m.choose(r.file);
    // A file someone is writing right now is left for the next run.
    mirror::Questions ask;
    ask.choose = [&](const keep::ImportPlan&, QList<keep::Resolution>& choices) {
        choices.fill(r.onConflict);
        return true;
    };
    ask.confirm = [&](const QString& question) {
        err(oneLine(question) +
            (r.yes ? QStringLiteral(" → はい\n") : QStringLiteral(" → いいえ\n")));
        return r.yes;
    };
    const mirror::SyncResult result = mirror::syncOnce(m, ask, today());
    if (!result.ok) return fail(result.why);
    out(QStringLiteral("写しのファイルを %1 件書き、%2 日を日記に読み込みました%3\n")
            .arg(result.filesWritten)
            .arg(result.daysRead)
            .arg(result.again ? QStringLiteral(" (書きかけのファイルは次の回に)") : QString()));
    return kDone;
}

QString cell(const QString& text)
{
    return oneLine(text).replace(u'\t', u' ');
}

int search(const Request& r)
{
    if (hasKeptSearchIndex()) waitForSearchIndex(kIndexWaitMs);
    QList<DiaryEntry> rows;
    if (!diary::search(r.word, rows)) return fail(QStringLiteral("探せませんでした"));
    QString text;
    for (const DiaryEntry& e : std::as_const(rows))
        text += QStringLiteral("%1\t%2\t%3\n")
                    .arg(keep::dayToken(e.skYmn, today()), cell(e.szTtl),
                         cell(lineOfFirstHit(e.szDoc, r.word)));
    out(text);
    return kDone;
}

int onDiary(const Request& r)
{
    QString failure;
    if (!openDiary(failure)) return fail(failure);
    int status = kFailed;
    switch (r.action) {
    case Action::Export:
        status = exportDiary(r);
        break;
    case Action::Import:
        status = importFile(r);
        break;
    case Action::Search:
        status = search(r);
        break;
    case Action::MirrorSync:
        status = mirrorSync(r);
        break;
    default:
        break;
    }
    DbClose();
    tellNotes();
    return status;
}

} // namespace

QString lineOfFirstHit(const QString& body, const QString& word)
{
    const MatchSpan m = findFirst(body, word);
    const qsizetype at = m.found() ? m.start : 0;
    const qsizetype from = at == 0 ? 0 : body.lastIndexOf(u'\n', at - 1) + 1;
    const qsizetype end = body.indexOf(u'\n', at);
    return body.mid(from, end < 0 ? -1 : end - from).trimmed();
}

int run(const Request& request, int argc, char* argv[])
{
    switch (request.action) {
    case Action::Window:
        break;
    case Action::Help:
        out(helpText());
        return kDone;
    case Action::Version:
        out(versionText());
        return kDone;
    case Action::Usage:
        err(QStringLiteral("drvesk: %1\n\n").arg(request.error) + helpText());
        return kUsage;
    case Action::Export:
    case Action::Import:
    case Action::Search:
    case Action::MirrorSync: {
        QCoreApplication app(argc, argv);
        AppProgramInfo program;
        StandardFolders folders;
        IniUserStore userStore;
        SystemClock clock;
        TerminalDialogs dialogs;
        g_dialogs = &dialogs;
        // No keyring: a command opens the diary by its password only (an export, a
        // plain copy, is always asked for it).
        services() = {&program, &folders, &userStore, &clock, &dialogs, nullptr, nullptr};
        const int status = onDiary(request);
        services() = {};
        g_dialogs = nullptr;
        return status;
    }
    }
    return kUsage;
}

} // namespace drv::cli
