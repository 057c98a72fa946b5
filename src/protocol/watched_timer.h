/*
 * The protocol timer as the watchdog sees it: which deadline was asked for
 * last, from either thread, and when it is due. A series that waits for no
 * deadline, or for one long overdue, can no longer go on by itself.
 */
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/clock.h"
#include "protocol/protocol_timer.h"

namespace orvanta {

class WatchedTimer final : public ProtocolTimer {
public:
    WatchedTimer(ProtocolTimer& timer, Clock& clock) : timer_(timer), clock_(clock) {}

    void arm(Deadline deadline, std::uint32_t intervalMs) override
    {
        deadline_ = deadline;
        dueAtMs_ = clock_.tickCount() + intervalMs;
        armed_ = true;
        timer_.arm(deadline, intervalMs);
    }
    void stop() override
    {
        armed_ = false;
        dueAtMs_ = clock_.tickCount();
        timer_.stop();
    }
    void discardPending() override { timer_.discardPending(); }

    // Nothing armed, or what is armed is due, for longer than graceMs.
    bool stalled(std::uint32_t nowMs, std::uint32_t graceMs) const
    {
        return static_cast<std::int32_t>(nowMs - dueAtMs_) > static_cast<std::int32_t>(graceMs);
    }
    bool awaits(Deadline deadline) const { return armed_ && deadline_ == deadline; }

private:
    ProtocolTimer& timer_;
    Clock& clock_;
    std::atomic<Deadline> deadline_{Deadline::Answer};
    std::atomic<std::uint32_t> dueAtMs_{0};
    std::atomic<bool> armed_{false};
};

}  // namespace orvanta
