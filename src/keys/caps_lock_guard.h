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

    // Sets capsLockMode and leaves Caps Lock off: true when it was on, and
    // restore() puts it back. It trusts only looks that come a pause after
    // a tap of its own: a look right after a tap may still see the state
    // before it, and a thread's first look under wine sees Caps Lock off
    // whatever it is.
    bool probeMode();
    // True when Caps Lock was on and a key was tapped to switch it off.
    bool suspend();
    // Caps Lock on again, and seen so by the next record's look.
    void restore();

private:
    void tapKey(std::uint8_t virtualKey);

    Keyboard& keyboard_;
    Clock& clock_;
    TypingState& typing_;
};

}  // namespace orvanta
