/*
 * The clock: every pause the program makes and the millisecond counter it
 * reads go through here, so that the logic can be run without waiting.
 */
#pragma once

#include <cstdint>

namespace orvanta {

class Clock {
public:
    virtual ~Clock() = default;
    virtual void sleepMs(std::uint32_t ms) = 0;
    // Milliseconds since some fixed point; wraps like the platform's counter.
    virtual std::uint32_t tickCount() = 0;
};

}  // namespace orvanta
