/*
 * Keeps a fault that repeats (a port that keeps failing, a journal file that
 * cannot be written) from flooding the event log: at most one report a
 * minute per cause, each cause on its own.
 */
#pragma once

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace orvanta {

constexpr std::uint64_t kEventReportGapMs = 60000;

class EventThrottle {
public:
    // True when a report of this cause may go out now, which then starts the cause's next minute.
    // A refused report does not, so a steady fault is still reported once a minute.
    bool allow(std::uint32_t cause, std::uint64_t nowMs);

private:
    std::mutex mutex_;   // the UI thread and the workers may report
    std::unordered_map<std::uint32_t, std::uint64_t> lastReportMs_;
};

}  // namespace orvanta
