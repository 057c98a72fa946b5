/*
 * The pause after typed bytes, as a gap between the moments bytes go in.
 *
 * A byte goes in from the moment its turn comes: the look at the window
 * in front, the key look-ups and the injection are all part of putting it
 * in. The gap after it runs from that moment, so that this work is made
 * inside the gap instead of lengthening it; the look at the window still
 * comes after the gap, just before the keys, where it sees what the user
 * did meanwhile. Gaps never catch up: a byte whose turn comes late starts
 * its own gap late, and a slow target gets every gap whole.
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
    // the next byte's turn comes.
    std::uint64_t await()
    {
        for (std::uint32_t i = 1; i <= pendingBytes_; ++i)
            clock_.sleepUntilUs(wentInUs_ + i * gapUs_);
        pendingBytes_ = 0;
        return clock_.nowUs();
    }
    void wentIn(std::uint64_t turnUs, std::uint32_t bytes)
    {
        wentInUs_ = turnUs;
        pendingBytes_ = bytes;
    }

private:
    Clock& clock_;
    std::uint64_t gapUs_;
    std::uint64_t wentInUs_ = 0;
    std::uint32_t pendingBytes_ = 0;
};

}  // namespace orvanta
