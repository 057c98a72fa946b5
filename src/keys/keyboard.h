/*
 * The keyboard as the typing logic needs it: inject key events, look a
 * character up in a keyboard layout, read the Caps Lock toggle and the
 * modifiers the user holds, describe the window in the foreground, and
 * watch the keys of a record on their way to its window.
 */
#pragma once

#include <cstdint>

#include "platform/window_id.h"

namespace orvanta {

// A keyboard layout handle as a plain value; 0 means none.
using KeyboardLayout = std::uintptr_t;

// Virtual keys the typing logic names. Any byte is a virtual key (a code
// list may hold any of them), so these are named values of a byte rather
// than an enum the rest would have to cast from.
namespace VirtualKey {
inline constexpr std::uint8_t Back = 8, Tab = 9, Return = 13, Shift = 16, Control = 17, Menu = 18,
    Capital = 20, Escape = 27, Prior = 33, Next = 34, End = 35, Home = 36, Left = 37, Up = 38,
    Right = 39, Down = 40, Insert = 45, Delete = 46, LWin = 91, RWin = 92, F1 = 112, LShift = 160, RShift = 161,
    LControl = 162, RControl = 163, LMenu = 164, RMenu = 165;
}  // namespace VirtualKey

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
// more in a multi-byte code page) and its UTF-16 units. A byte that does
// not begin a valid character there (a lead byte without its second byte,
// a byte outside UTF-8) is not valid: length 1, no units.
struct AnsiCharacter {
    std::uint8_t length = 1;
    std::uint8_t unitCount = 0;
    std::uint16_t units[2] = {};
    bool valid = true;
};

// What typing needs to know of the window in the foreground.
struct ForegroundWindow {
    bool exists = false;        // false: none, as while the workstation is locked
    bool isShell = false;       // the desktop, or one of the shell's own windows (isShellWindow)
    bool ownProcess = false;    // one of this program's own windows
    bool inputBlocked = false;  // its process may not be sent input from this one
    KeyboardLayout layout = 0;  // the keyboard layout of its thread
    // Keys sent to a window that is hidden (one that is closing), minimized
    // or has no control with the keyboard focus arrive as system keys, not
    // as characters; a window that does not answer takes them late or never.
    bool hidden = false;
    bool minimized = false;
    bool noFocus = false;
    bool hung = false;
    WindowId id = 0;
    std::uint32_t thread = 0;   // the thread the window belongs to
};

// What became of the events of one character of a record.
enum class KeysFate : std::uint8_t {
    WentIn,       // all went in, to the record's window, with no modifier of the user's down
    HeldBack,     // a modifier of the user's was down: none went in, and they may go again
    WindowLeft,   // the record's window lost the front or its focus: the rest went nowhere
    Refused,      // the platform took fewer than all (the desktop switched to the lock screen)
};

class Keyboard {
public:
    virtual ~Keyboard() = default;
    // Injects the events as one sequence nothing else can come between.
    // Between beginRecord and endRecord they are a record's, for that
    // window alone; outside a record only Refused tells anything.
    [[nodiscard]] virtual KeysFate sendKeys(const KeyEvent* events, std::uint32_t count) = 0;
    virtual void beginRecord(const ForegroundWindow& window) = 0;
    virtual void endRecord() = 0;
    // True while the platform judges each key of the record as it goes in
    // (the record window in front, no modifier of the user's down), so that
    // what sendKeys says of them is exact.
    virtual bool keysJudged() = 0;
    // Whether the window's thread answers a message within timeoutMs: an
    // application busy with the keys of the record before does not.
    virtual bool windowAnswers(WindowId window, std::uint32_t timeoutMs) = 0;
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
    // Whether no key of somebody else's (the user's, another program's) is
    // down and none has gone for quietMs. From the first look on, the keys
    // of somebody else's that come while a record is typed wait, and go to
    // the window after the record's last key, in their order.
    virtual bool othersKeysQuiet(std::uint32_t quietMs) = 0;
};

}  // namespace orvanta
