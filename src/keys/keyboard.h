/*
 * The keyboard as the typing logic needs it: inject one key event, look a
 * character up in a keyboard layout, read the Caps Lock toggle, and find
 * the layout of the foreground window.
 */
#pragma once

#include <cstdint>

namespace orvanta {

// A keyboard layout handle as a plain value; 0 means none.
using KeyboardLayout = std::uintptr_t;

// Virtual keys the typing logic names.
enum VirtualKey : std::uint8_t {
    VkBack = 8, VkTab = 9, VkReturn = 13, VkShift = 16, VkControl = 17, VkMenu = 18,
    VkCapital = 20, VkPrior = 33, VkNext = 34, VkEnd = 35, VkHome = 36, VkLeft = 37,
    VkUp = 38, VkRight = 39, VkDown = 40, VkInsert = 45, VkDelete = 46, VkF1 = 112,
    VkRMenu = 165,
};

class Keyboard {
public:
    virtual ~Keyboard() = default;
    // One key event for a virtual key, no scan code, no extended flag.
    virtual void keyEvent(std::uint8_t virtualKey, bool keyUp) = 0;
    // Virtual key in the low byte, shift state (1 Shift, 2 Ctrl, 4 Alt) in
    // the high byte, or -1 when the layout has no key for the character.
    virtual std::int16_t scanChar(std::uint8_t character, KeyboardLayout layout) = 0;
    // Low byte of the Caps Lock key state: 1 when Caps Lock is on.
    virtual std::uint8_t capsLockState() = 0;
    // Layout of the thread that owns the foreground window, or 0.
    virtual KeyboardLayout foregroundLayout() = 0;
};

}  // namespace orvanta
