/*
 * The pause after typed bytes, as a gap between the moments bytes go in.
 *
 * A byte goes in from the moment its turn comes: the look at the window
 * in front, the key look-ups and the injection are all part of putting it
 * in. The gap after it runs from that moment, so that this work is made
 * inside the gap instead of lengthening it; the look at the window still
 * comes after the gap, just before the keys, where it sees what the user
 * did meanwhile.
 *
 * The turns keep to a grid of one gap a byte from the first byte on, so
 * that the platform's slack at the end of every pause (a tenth of a
 * millisecond under wine) and an injection that takes a little longer now
 * and then do not add up over a record. A turn that comes late catches up
 * by at most kGapSlackUs, so no gap is ever shorter than that much below
 * the pause the settings ask for, and a slow target still gets its gaps.
 */
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/clock.h"

namespace orvanta {

constexpr std::uint64_t kGapSlackUs = 250;

class KeyGaps {
public:
    KeyGaps(Clock& clock, std::uint32_t gapMs)
        : clock_(clock), gapUs_(gapMs * kMicrosPerMs), slackUs_(std::min(kGapSlackUs, gapUs_ / 4))
    {
    }
    // The gap after the last byte is kept however the typing ends.
    ~KeyGaps() { await(); }
    KeyGaps(const KeyGaps&) = delete;
    KeyGaps& operator=(const KeyGaps&) = delete;

    // Waits out the gap of each byte that went in last; gives the moment
    // the next byte's turn comes.
    std::uint64_t await()
    {
        for (std::uint32_t i = 1; i <= pendingBytes_; ++i)
            clock_.sleepUntilUs(gridUs_ + i * gapUs_);
        gridUs_ += pendingBytes_ * gapUs_;
        pendingBytes_ = 0;
        return clock_.nowUs();
    }
    void wentIn(std::uint64_t turnUs, std::uint32_t bytes)
    {
        gridUs_ = started_ ? std::max(gridUs_, turnUs - std::min(turnUs, slackUs_)) : turnUs;
        started_ = true;
        pendingBytes_ = bytes;
    }

private:
    Clock& clock_;
    std::uint64_t gapUs_;
    std::uint64_t slackUs_;
    std::uint64_t gridUs_ = 0;   // where the byte that went in last stands on the grid
    std::uint32_t pendingBytes_ = 0;
    bool started_ = false;
};

}  // namespace orvanta
