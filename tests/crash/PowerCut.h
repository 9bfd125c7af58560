#pragma once
// A simulated disk that loses what was not synced. Every file under a folder is followed
// through the engine (a VFS over the default one, made the default) and through the
// program's own file steps: what each file holds on disk (its content as of its last
// sync) and what was written since, which names its folder holds on disk (as of its last
// sync) and what was renamed, made or removed since. At the chosen step the power goes:
// each file is left as the disk would hold it (everything synced, any subset of the later
// writes, a write possibly torn after a whole number of sectors, a prefix of its folder's
// later changes) and the process ends at once with kCutExit.

#include <QString>

namespace drv::test::power {

constexpr int kCutExit = 77;

// Follows the files under root; the power goes just before step cutAt (counted from 1;
// 0 never). seed chooses what the disk keeps.
void install(const QString& root, quint64 cutAt, quint32 seed);
// The steps made so far.
quint64 steps();

} // namespace drv::test::power
