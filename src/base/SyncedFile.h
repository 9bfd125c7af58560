#pragma once
// Whole files that outlive a power cut: written beside their place and renamed over it
// once they are on disk, then the folder synced so that the rename is on disk too.
// Readable by their owner only. Every file of the program's own (drafts, the settings
// file, snapshots' names, a new diary) meets the disk through here, so that a test can
// put a simulated disk under each step.

#include <QByteArray>
#include <QString>

namespace drv {

bool writeSynced(const QString& path, const QByteArray& bytes);
// True when the file is gone (or was never there).
bool removeSynced(const QString& path);
// Renames a file that is already on disk to a name that must not exist yet (rename never
// replaces here), then syncs the folder.
bool renameSynced(const QString& from, const QString& to);
// Renames a file that is already on disk over `to`, whether or not it exists, then syncs
// the folder; errno tells why it failed.
bool replaceSynced(const QString& from, const QString& to);
// Puts a file's written bytes on disk (a file written by other means than writeSynced).
bool syncFile(const QString& path);
// A rename or removal in the folder is durable only once the folder is synced.
void syncFolder(const QString& folder);

// What the disk is told, step by step, just before each is made; a simulated disk listens
// (and may cut the power there, so that the step is never made).
enum class FileStep {
    Synced,       // bytes are on disk in a new file beside path; path is unchanged
    FileSynced,   // what was written to the file path is on disk
    Renamed,      // that new file (or the file `beside`, when given) now has the name path
    Removed,      // path is gone from its folder
    FolderSynced, // the folder `path` holds its names durably
};
class FileSteps {
public:
    virtual ~FileSteps() = default;
    virtual void step(FileStep what, const QString& path, const QString& beside,
                      const QByteArray& bytes) = 0;
};
// Tests only; null (the default) tells no one.
void setFileSteps(FileSteps* steps);

} // namespace drv
