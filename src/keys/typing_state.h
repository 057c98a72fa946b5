/*
 * What typing keeps from one record to the next within a transfer: the
 * keyboard layout of the window typed into last, and how this machine
 * switches Caps Lock off. Both are found on the receive thread and
 * forgotten when the transfer is reset.
 */
#pragma once

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
};

}  // namespace orvanta
