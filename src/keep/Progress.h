#pragma once
// Long work tells how far it has come, and asks whether to go on.

#include <QtGlobal>

#include <algorithm>
#include <functional>

namespace drv::keep {

// Told done out of total now and then; false asks the work to stop. May be empty.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// One stage of longer work: its progress told as the part from/1000 to to/1000 of it.
inline Progress part(const Progress& whole, int from, int to)
{
    if (!whole) return {};
    return [whole, from, to](qint64 done, qint64 total) {
        const qint64 of = total > 0 ? std::min(done, total) * (to - from) / total : 0;
        return whole(from + of, 1000);
    };
}

} // namespace drv::keep
