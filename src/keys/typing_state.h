/*
 * What typing keeps from one record to the next: the keyboard layout of
 * the record window typed into last, and how this machine switches Caps
 * Lock off. Both belong to the typing worker, which forgets them when a
 * record comes fresh (a new start, a new batch typed again).
 */
#pragma once

#include <atomic>
#include <cstdint>

#include "keys/keyboard.h"

namespace orvanta {

// How the platform switches Caps Lock off; any value other than
// CapsKeyToggles is treated like ShiftReleases.
enum class CapsLockMode : std::int8_t { NotProbed = 0, CapsKeyToggles = 1, ShiftReleases = 2 };

struct TypingState {
    KeyboardLayout keyboardLayout = 0;
    CapsLockMode capsLockMode = CapsLockMode::NotProbed;
    // The record window (the window the record under way goes to) and its
    // thread: a record goes to one window.
    WindowId recordWindow = 0;
    std::uint32_t recordThread = 0;
    // Set from the engine's thread: the record being typed stops at its
    // next key, unacknowledged, so that Stop, sleep and the end of the
    // session do not wait for it.
    std::atomic<bool> stopRequested{false};

    // A record that comes fresh (a new start, a new batch typed again)
    // finds everything anew.
    void forget()
    {
        keyboardLayout = 0;
        capsLockMode = CapsLockMode::NotProbed;
        recordWindow = 0;
        recordThread = 0;
    }
};

}  // namespace orvanta
