/*
 * What typing keeps from one record to the next within a transfer: the
 * keyboard layout of the window typed into last, and how this machine
 * switches Caps Lock off. Both are found on the receive thread and
 * forgotten when the transfer is reset.
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
    // The window the record under way goes to, and its thread: a record
    // goes to one window.
    WindowId targetWindow = 0;
    std::uint32_t targetThread = 0;
    // Set when the port is closed, until it is opened again: the record
    // being typed stops at its next key, unacknowledged, so that Stop,
    // sleep and the end of the session do not wait for it.
    std::atomic<bool> stopRequested{false};

    // Forgets what a transfer found (a transfer reset).
    void forget()
    {
        keyboardLayout = 0;
        capsLockMode = CapsLockMode::NotProbed;
        targetWindow = 0;
        targetThread = 0;
    }
};

}  // namespace orvanta
