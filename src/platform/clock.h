/*
 * The clock: every pause the program makes and the counters it reads go
 * through here, so that the logic can be run without waiting.
 *
 * A pause is a deadline on a monotonic microsecond clock. A caller that
 * knows when something went out (a typed byte, a command) pauses until a
 * time counted from that moment, so that the work done meanwhile is part
 * of the pause instead of coming on top of it.
 */
#pragma once

#include <cstdint>

namespace orvanta {

constexpr std::uint64_t kMicrosPerMs = 1000;

class Clock {
public:
    virtual ~Clock() = default;
    // Microseconds since some fixed point, never going back.
    virtual std::uint64_t nowUs() = 0;
    // Returns once nowUs() has reached the deadline: at once when it has
    // already, otherwise as soon after it as the platform can.
    virtual void sleepUntilUs(std::uint64_t deadlineUs) = 0;
    // A pause that only gives way, as after a poll that found nothing: it
    // may last a system tick longer and asks the platform for no finer
    // timing.
    virtual void idleMs(std::uint32_t ms) = 0;
    // Milliseconds since some fixed point; wraps like the platform's counter.
    virtual std::uint32_t tickCount() = 0;

    // A pause of ms from now.
    void sleepMs(std::uint32_t ms) { sleepUntilUs(nowUs() + ms * kMicrosPerMs); }
};

}  // namespace orvanta
