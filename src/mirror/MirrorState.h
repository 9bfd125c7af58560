#pragma once
// What the mirror remembers in the data folder (never in the diary, never in the mirror):
// whether it is on, its folder, the diary's name in the marker, and for each day the
// digest of the text both sides last agreed on, with the file's size, times and inode
// when it held that text, so that a pass reads only files that changed since.
//
// The file "mirror.state" is text, one line each, written whole and atomically:
//   drvesk-mirror-state 1
//   on 1
//   folder /home/me/Sync/diary
//   diary 6f1c…              (the id written in the folder's marker)
//   day 2026-12-07 <digest hex> <size> <mtime ns> <ctime ns> <inode> <stamp taken ns>

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QString>

namespace drv::mirror {

// The state file's name in the data folder.
inline constexpr char kStateName[] = "mirror.state";

// What identifies a file's content without reading it: any write, rename or copy over it
// changes one of these.
struct FileStamp {
    qint64 size = -1;
    qint64 mtimeNs = 0;
    qint64 ctimeNs = 0;
    quint64 inode = 0;
    bool operator==(const FileStamp&) const = default;
    bool isNull() const { return size < 0; }
};
// The file's stamp; null when it cannot be read (missing).
FileStamp stampOf(const QString& path);
// The same for a name in an open folder (a descriptor, as openat takes).
FileStamp stampAt(int folder, const char* name);
// A folder's stamp: adding, removing or renaming an entry in it changes it. Null when it
// is no folder.
FileStamp folderStampOf(const QString& path);

struct DayAgreement {
    QByteArray digest;
    FileStamp stamp;
    qint64 statedNs = 0; // when the stamp was taken (0: not known)
};

struct MirrorState {
    bool on = false;
    QString folder;  // absolute, without a trailing "/"
    QString diaryId; // empty until the first link
    QHash<QDate, DayAgreement> days;

    // A missing file gives the empty state; false only for a file that cannot be read.
    bool load(const QString& path);
    bool save(const QString& path) const;
};

// The marker file at the mirror's root: the diary's id and, for people, where it lives.
struct Marker {
    QString diaryId;
    QString label;
};
// False when the folder has no marker (or it names no diary).
bool readMarker(const QString& folder, Marker& marker);
bool writeMarker(const QString& folder, const Marker& marker);

} // namespace drv::mirror
