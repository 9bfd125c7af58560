#pragma once
// Where the data folder lies: inside a folder a sync tool keeps (it copies the diary file
// in the middle of a write, replaces it under the running program, or leaves a conflicted
// copy nobody sees), or on a network or FUSE file system (whose locks and writes do not
// hold as a local disk's). Either way a live diary there loses entries.

#include <QString>

#include <functional>
#include <optional>

namespace drv::place {

struct FolderPlace {
    enum Kind { Local, SyncedFolder, RemoteFileSystem };
    Kind kind = Local;
    QString where; // the folder that holds the marker, or the folder judged
    QString what;  // the marker's name, or the file system's
};

// The file system's type number of a path (statfs's f_type); none when it cannot be told.
using FsTypeOf = std::function<std::optional<qint64>(const QString& path)>;
std::optional<qint64> fsTypeOf(const QString& path);

// The name of a network or FUSE file system's type number; empty for a local one.
QString remoteFsName(qint64 type);

// Whether a sync tool's marker is in a folder itself ("…/.stfolder"), not its parents.
QString syncMarkerIn(const QString& folder);

// Judges folder (and each folder above it, for the markers): a sync tool's marker first,
// then the file system.
FolderPlace judgeFolder(const QString& folder, const FsTypeOf& fsType = fsTypeOf);

} // namespace drv::place
