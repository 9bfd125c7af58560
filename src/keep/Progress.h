#pragma once
// Long work tells how far it has come, and asks whether to go on.

#include <QtGlobal>

#include <functional>

namespace drv::keep {

// Told done out of total now and then; false asks the work to stop. May be empty.
using Progress = std::function<bool(qint64 done, qint64 total)>;

} // namespace drv::keep
