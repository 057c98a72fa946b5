/*
 * The engine's one deadline, on the clock's microseconds: armed anew for
 * each pause and time-out, and said, when it comes, on the engine's own
 * thread, whatever window of the program runs its messages meanwhile.
 */
#pragma once

#include <cstdint>

namespace orvanta {

class DeadlineTimer {
public:
    virtual ~DeadlineTimer() = default;
    // Replaces the deadline armed before; one already past is due at once.
    virtual void armAt(std::uint64_t atUs) = 0;
};

}  // namespace orvanta
