#pragma once
// The one message at start about a data folder where a live diary loses entries: why, and
// what to sync instead. Once per folder; the user goes on either way.

#include "FolderPlace.h"

namespace drv::place {

// The message for a folder judged synced or remote; empty for a local one.
QString placeWarning(const FolderPlace& place);

// Shows the message for folder unless it was shown for that folder before, and remembers
// it in the per-user store. True when it was shown.
bool warnOfPlace(const QString& folder, const FsTypeOf& fsType = fsTypeOf);

} // namespace drv::place
