/*
 * The keyboard as the typing logic needs it: inject key events, look a
 * character up in a keyboard layout, read the Caps Lock toggle and the
 * modifiers the user holds, and describe the window in the foreground.
 */
#pragma once

#include <cstdint>

namespace orvanta {

// A keyboard layout handle as a plain value; 0 means none.
using KeyboardLayout = std::uintptr_t;

// Virtual keys the typing logic names.
enum VirtualKey : std::uint8_t {
    VkBack = 8, VkTab = 9, VkReturn = 13, VkShift = 16, VkControl = 17, VkMenu = 18,
    VkCapital = 20, VkEscape = 27, VkPrior = 33, VkNext = 34, VkEnd = 35, VkHome = 36, VkLeft = 37,
    VkUp = 38, VkRight = 39, VkDown = 40, VkInsert = 45, VkDelete = 46, VkLWin = 91, VkRWin = 92,
    VkF1 = 112, VkRControl = 163, VkRMenu = 165,
};

// One key event. A Unicode event types the UTF-16 unit in `character`
// without any key of the layout; every other event names a virtual key
// and carries the layout's scan code for it.
struct KeyEvent {
    std::uint8_t virtualKey = 0;
    std::uint16_t scanCode = 0;
    std::uint16_t character = 0;
    bool keyUp = false;
    bool extended = false;
    bool unicode = false;

    bool operator==(const KeyEvent&) const = default;
};

// One character of the ANSI code page: how many bytes it takes (1, or
// more in a multi-byte code page) and its UTF-16 units.
struct AnsiCharacter {
    std::uint8_t length = 1;
    std::uint8_t unitCount = 0;
    std::uint16_t units[2] = {};
};

// What typing needs to know of the window in the foreground.
struct ForegroundWindow {
    bool exists = false;        // false: none, as while the workstation is locked
    bool isShell = false;       // the desktop, or the shell's desktop or taskbar
    bool ownProcess = false;    // one of this program's own windows
    bool inputBlocked = false;  // its process may not be sent input from this one
    KeyboardLayout layout = 0;  // the keyboard layout of its thread
};

class Keyboard {
public:
    virtual ~Keyboard() = default;
    // Injects the events as one sequence nothing else can come between;
    // gives the number the platform took (fewer than count: refused).
    [[nodiscard]] virtual std::uint32_t sendKeys(const KeyEvent* events, std::uint32_t count) = 0;
    // Virtual key in the low byte, shift state (1 Shift, 2 Ctrl, 4 Alt) in
    // the high byte, or -1 when the layout has no key for the character.
    virtual std::int16_t scanChar(std::uint8_t character, KeyboardLayout layout) = 0;
    virtual std::uint16_t scanCodeOf(std::uint8_t virtualKey, KeyboardLayout layout) = 0;
    // True when the key only sets an accent for the character after it.
    virtual bool isDeadKey(std::uint8_t virtualKey, KeyboardLayout layout) = 0;
    // The character at bytes (available > 0) in the code page the layout
    // look-up converts from.
    virtual AnsiCharacter decodeAnsi(const std::uint8_t* bytes, std::uint32_t available) = 0;
    // Low byte of the Caps Lock key state: 1 when Caps Lock is on.
    virtual std::uint8_t capsLockState() = 0;
    // True while Shift, Ctrl, Alt or a Windows key is held down.
    virtual bool modifiersHeld() = 0;
    virtual ForegroundWindow foregroundWindow() = 0;
};

}  // namespace orvanta
