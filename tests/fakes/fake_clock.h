/*
 * A clock that never waits: every pause is logged and moves the counter.
 */
#pragma once

#include "platform/clock.h"
#include "fakes/event_log.h"

namespace orvanta::fakes {

class FakeClock final : public Clock {
public:
    explicit FakeClock(EventLog& log) : log_(log) {}

    void sleepMs(std::uint32_t ms) override
    {
        log_.push_back(pause(ms));
        now += ms;
    }
    std::uint32_t tickCount() override { return now; }

    std::uint32_t now = 1000;

private:
    EventLog& log_;
};

}  // namespace orvanta::fakes
