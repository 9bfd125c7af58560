#include "DraftSchedule.h"

#include <algorithm>

namespace drv {

void DraftSchedule::changed(qint64 now)
{
    if (!first_) first_ = now;
    last_ = now;
}

std::optional<qint64> DraftSchedule::due() const
{
    if (!first_) return std::nullopt;
    return std::min(last_ + kIdleMs, *first_ + kLongestMs);
}

void DraftSchedule::taken()
{
    first_.reset();
}

} // namespace drv
