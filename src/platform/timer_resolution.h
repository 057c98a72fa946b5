/*
 * When a system without high-resolution timers is asked for its finer
 * timer resolution. Windows serves waits on its system tick, 15.6 ms by
 * default; a finer tick costs power on the whole machine, so it is held
 * only while pauses come: from the first one until a second after the
 * last one has ended. Keep-online's wait for its next poll makes no
 * pauses and runs at the default tick.
 */
#pragma once

#include <cstdint>

namespace orvanta {

constexpr std::uint64_t kFinerResolutionKeptUs = 1'000'000;

class ResolutionLease {
public:
    // A pause until deadlineUs begins. True when the finer resolution must
    // be asked for now.
    [[nodiscard]] bool pauseBegins(std::uint64_t deadlineUs);
    // True when the finer resolution must be given back now.
    [[nodiscard]] bool lapsed(std::uint64_t nowUs);
    bool held() const { return held_; }

private:
    bool held_ = false;
    std::uint64_t lastPauseEndUs_ = 0;
};

}  // namespace orvanta
