/*
 * A clock that never waits: every pause is logged and moves the counter.
 * Time stands still between pauses, so a pause counted from a moment that
 * has just passed logs its full length.
 */
#pragma once

#include "platform/clock.h"
#include "fakes/event_log.h"

namespace orvanta::fakes {

class FakeClock final : public Clock {
public:
    explicit FakeClock(EventLog& log) : log_(log) {}

    std::uint64_t nowUs() override { return now * kMicrosPerMs; }
    void sleepUntilUs(std::uint64_t deadlineUs) override
    {
        const std::uint64_t at = nowUs();
        if (deadlineUs <= at)
            return;
        const auto ms = static_cast<std::uint32_t>((deadlineUs - at + kMicrosPerMs - 1) / kMicrosPerMs);
        log_.push_back(pause(ms));
        now += ms;
    }
    void idleMs(std::uint32_t ms) override
    {
        log_.push_back(idle(ms));
        now += ms;
    }
    std::uint32_t tickCount() override { return now; }

    std::uint32_t now = 1000;

private:
    EventLog& log_;
};

}  // namespace orvanta::fakes
