#pragma once
// The names of the mirror folder: a day's file "YYYY/YYYY-MM-DD.md", the conflict copies
// that sync tools make of one, and everything else (their temporary files, editors' swap
// and lock files), which the mirror leaves alone.

#include <QDate>
#include <QString>

namespace drv::mirror {

// The marker at the mirror's root that names the diary the folder belongs to.
inline constexpr char kMarkerName[] = ".drvesk-mirror";

// "2026/2026-12-07.md", relative to the mirror's root.
QString dayFilePath(const QDate& day);

enum class NameKind { Day, ConflictCopy, Other };
struct NameInfo {
    NameKind kind = NameKind::Other;
    QDate day; // the day whose file it is, or a copy of
};

// What a file name in a year folder is. Conflict copies are recognised as Syncthing
// ("2026-12-07.sync-conflict-20261207-153012-ABCDEFG.md"), Nextcloud ("2026-12-07
// (conflicted copy 2026-12-07 153012).md", with or without a user name), ownCloud
// ("2026-12-07_conflict-20261207-153012.md") and Dropbox ("2026-12-07 (Name's
// conflicted copy 2026-12-07).md") name them. Hidden files, temporary files of sync tools
// and editors are Other.
NameInfo classifyName(const QString& fileName);

} // namespace drv::mirror
