/*
 * Keeps Caps Lock out of the way while records are typed: finds out once
 * per transfer how the platform switches Caps Lock off, switches it off
 * around every received chunk and back on afterwards.
 */
#pragma once

#include "platform/clock.h"
#include "keys/keyboard.h"
#include "keys/typing_state.h"

namespace orvanta {

class CapsLockGuard {
public:
    CapsLockGuard(Keyboard& keyboard, Clock& clock, TypingState& typing);

    // Sets capsLockMode and leaves Caps Lock as it found it.
    void probeMode();
    // True when Caps Lock was on and a key was tapped to switch it off.
    bool suspend();
    void restore();

private:
    void tapKey(std::uint8_t virtualKey);

    Keyboard& keyboard_;
    Clock& clock_;
    TypingState& typing_;
};

}  // namespace orvanta
