/*
 * The pause after typed bytes, as a gap between the moments bytes go in.
 *
 * A slow target needs the whole gap after every byte, so the gap runs
 * from the moment its byte went in, and the next byte waits for it just
 * before it goes in itself: the look at the window and the key look-ups
 * for that byte are made inside the gap instead of lengthening it. Gaps
 * never catch up: a byte that goes in late starts its own gap late.
 */
#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace orvanta {

class KeyGaps {
public:
    KeyGaps(Clock& clock, std::uint32_t gapMs) : clock_(clock), gapUs_(gapMs * kMicrosPerMs) {}
    // The gap after the last byte is kept however the typing ends.
    ~KeyGaps() { await(); }
    KeyGaps(const KeyGaps&) = delete;
    KeyGaps& operator=(const KeyGaps&) = delete;

    // Waits out the gap of each byte that went in last; gives the moment
    // the next byte may go in.
    std::uint64_t await()
    {
        for (std::uint32_t i = 1; i <= pendingBytes_; ++i)
            clock_.sleepUntilUs(wentInUs_ + i * gapUs_);
        pendingBytes_ = 0;
        return clock_.nowUs();
    }
    void wentIn(std::uint64_t atUs, std::uint32_t bytes)
    {
        wentInUs_ = atUs;
        pendingBytes_ = bytes;
    }

private:
    Clock& clock_;
    std::uint64_t gapUs_;
    std::uint64_t wentInUs_ = 0;
    std::uint32_t pendingBytes_ = 0;
};

}  // namespace orvanta
