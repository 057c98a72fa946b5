/*
 * The lease on the finer timer resolution.
 */
#include "platform/timer_resolution.h"

namespace orvanta {

bool ResolutionLease::pauseBegins(std::uint64_t deadlineUs)
{
    if (deadlineUs > lastPauseEndUs_)
        lastPauseEndUs_ = deadlineUs;
    if (held_)
        return false;
    held_ = true;
    return true;
}

// Counted from the end of the last pause, not its start: a pause still
// under way keeps the resolution, however long it is.
bool ResolutionLease::lapsed(std::uint64_t nowUs)
{
    if (!held_ || nowUs < lastPauseEndUs_ + kFinerResolutionKeptUs)
        return false;
    held_ = false;
    return true;
}

}  // namespace orvanta
