/*
 * The per-cause minute between event reports.
 */
#include "journal/event_throttle.h"

namespace orvanta {

bool EventThrottle::allow(std::uint32_t cause, std::uint64_t nowMs)
{
    const std::lock_guard lock(mutex_);
    const auto [last, first] = lastReportMs_.try_emplace(cause, nowMs);
    // Unsigned difference: still the time gone by when the clock value has wrapped past zero.
    if (first || nowMs - last->second >= kEventReportGapMs) {
        last->second = nowMs;
        return true;
    }
    return false;
}

}  // namespace orvanta
