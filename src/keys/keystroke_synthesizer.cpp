/*
 * Keystroke synthesis. Everything is decided from the byte, the layout
 * look-up and the platform version; the events of one byte go out in one
 * piece and the only pause is the one after each byte.
 *
 * A character goes out as Unicode, not as a key, where tapping a key would
 * lose or change it: the layout has no key for it, or only a dead key (one
 * that waits to put an accent on the next letter), or a shift state with a
 * modifier this program cannot press. The control bytes 28 to 31 and 127
 * go out as the characters they are, because the layout would give them
 * as Ctrl chords, which programs take as shortcuts (127 as Ctrl+Backspace
 * deletes the word before it).
 */
#include "keys/keystroke_synthesizer.h"

#include "keys/foreground.h"
#include "keys/key_gaps.h"

namespace orvanta {
namespace {

constexpr std::uint8_t kFirstFunctionCode = 15;
constexpr std::uint8_t kLastControlCode = 26;
constexpr std::uint8_t kFunctionKeyOffset = VirtualKey::F1 - kFirstFunctionCode;  // 97
constexpr std::uint8_t kDeleteCharacter = 127;

constexpr std::uint8_t kShiftBit = 1, kCtrlBit = 2, kAltBit = 4;
constexpr std::uint8_t kAltGrBits = kCtrlBit | kAltBit;
constexpr std::uint8_t kKnownShiftBits = kShiftBit | kCtrlBit | kAltBit;

constexpr std::uint8_t kControlKeys[kFirstFunctionCode] = {
    0,                  VirtualKey::Insert, VirtualKey::Delete, VirtualKey::Home,  VirtualKey::End,
    VirtualKey::Up,     VirtualKey::Down,   VirtualKey::Left,   VirtualKey::Back,  VirtualKey::Tab,
    0,                  VirtualKey::Right,  VirtualKey::Prior,  VirtualKey::Return, VirtualKey::Next,
};

bool isUnicodeControl(std::uint8_t byte)
{
    return (byte > VirtualKey::Escape && byte < ' ') || byte == kDeleteCharacter;
}

void addUnits(KeySequence& keys, const AnsiCharacter& character)
{
    for (std::uint8_t i = 0; i < character.unitCount && i < 2; ++i)
        keys.typeUnit(character.units[i]);
}

}  // namespace

std::uint8_t controlCodeKey(std::uint8_t byte)
{
    if (byte < kFirstFunctionCode)
        return kControlKeys[byte];
    if (byte <= kLastControlCode)
        return static_cast<std::uint8_t>(byte + kFunctionKeyOffset);
    return 0;
}

KeystrokeSynthesizer::KeystrokeSynthesizer(Keyboard& keyboard, Clock& clock, const Settings& settings,
                                           TypingState& typing, const int& platformMajorVersion)
    : keyboard_(keyboard), clock_(clock), settings_(settings), typing_(typing),
      platformMajorVersion_(platformMajorVersion)
{
}

// The window in front is looked at again before every byte: the user can
// open this program's dialog from the tray, switch windows, or lock the
// workstation while a record is being typed. What is left of the record
// then is not typed: its rest in another window would leave neither
// window holding the record.
bool KeystrokeSynthesizer::typeBytes(const std::uint8_t* bytes, std::int32_t count)
{
    KeyGaps gaps(clock_, static_cast<std::uint32_t>(settings_.charDelayMs));
    for (std::int32_t i = 0; i < count;) {
        const std::uint64_t turn = gaps.await();
        if (!stillTypingTarget())
            return false;
        KeySequence keys(keyboard_, typing_.keyboardLayout);
        const std::uint32_t used = addCharacter(keys, bytes + i, static_cast<std::uint32_t>(count - i));
        if (!keys.send())
            return false;
        gaps.wentIn(turn, used);
        i += static_cast<std::int32_t>(used);
    }
    return true;
}

bool KeystrokeSynthesizer::awaitTypingTarget()
{
    if (!awaitModifiersReleased())
        return false;
    const ForegroundWindow window = awaitAnsweringWindow();
    if (!acceptsTyping(window))
        return false;
    typing_.keyboardLayout = window.layout;
    typing_.targetWindow = window.id;
    return true;
}

bool KeystrokeSynthesizer::hasTypingTarget()
{
    return acceptsTyping(keyboard_.foregroundWindow());
}

// Keys reach the window some time after they went in, and nothing tells
// when its program has taken them (WaitForInputIdle waits only once in a
// program's life). A window that hid itself while they were on their way
// did not get them all: it is looked at again after a pause.
bool KeystrokeSynthesizer::recordTaken(std::uint32_t settleMs)
{
    if (settleMs > 0)
        clock_.sleepMs(settleMs);
    return stillTypingTarget();
}

bool KeystrokeSynthesizer::stillTypingTarget()
{
    const ForegroundWindow window = keyboard_.foregroundWindow();
    return acceptsTyping(window) && window.id == typing_.targetWindow;
}

// A window that is busy for a moment (loading, saving) takes its keys once
// it answers again; one that stays hung would swallow the record.
ForegroundWindow KeystrokeSynthesizer::awaitAnsweringWindow()
{
    ForegroundWindow window = keyboard_.foregroundWindow();
    for (std::uint32_t waited = 0; window.hung && waited < kHungWaitMs; waited += kHungPollMs) {
        clock_.idleMs(kHungPollMs);
        window = keyboard_.foregroundWindow();
    }
    return window;
}

// A key the user holds would turn the record's keys into shortcuts.
bool KeystrokeSynthesizer::awaitModifiersReleased()
{
    for (std::uint32_t waited = 0; keyboard_.modifiersHeld(); waited += kModifierPollMs) {
        if (waited >= kModifierWaitMs)
            return false;
        clock_.idleMs(kModifierPollMs);
    }
    return true;
}

// Adds the events of the character at bytes; gives the bytes it takes.
std::uint32_t KeystrokeSynthesizer::addCharacter(KeySequence& keys, const std::uint8_t* bytes,
                                                 std::uint32_t available)
{
    const std::uint8_t byte = bytes[0];
    if (byte == VirtualKey::Escape) {
        keys.tap(VirtualKey::Escape);
    } else if (isUnicodeControl(byte)) {
        keys.typeUnit(byte);
    } else if (byte <= kLastControlCode) {
        if (const std::uint8_t key = controlCodeKey(byte))
            keys.tap(key);
    } else {
        const AnsiCharacter character = keyboard_.decodeAnsi(bytes, available);
        const bool multiByte = character.length > 1 && character.length <= available;
        if (multiByte || !addLayoutKey(keys, byte))
            addUnits(keys, character);
        return multiByte ? character.length : 1;
    }
    return 1;
}

bool KeystrokeSynthesizer::addLayoutKey(KeySequence& keys, std::uint8_t byte)
{
    const auto found = static_cast<std::uint16_t>(keyboard_.scanChar(byte, typing_.keyboardLayout));
    const auto virtualKey = static_cast<std::uint8_t>(found & 0xFF);
    const auto shiftState = static_cast<std::uint8_t>(found >> 8);
    if ((shiftState & ~kKnownShiftBits) != 0)   // also a failed look-up (-1)
        return false;
    if (keyboard_.isDeadKey(virtualKey, typing_.keyboardLayout))
        return false;
    addWithModifiers(keys, virtualKey, shiftState);
    return true;
}

// Every modifier the shift state names is pressed: Shift outside, then
// Ctrl and Alt, or AltGr for both. Windows 2000/XP know the right Alt key
// as AltGr; every NT version takes Ctrl+Alt as AltGr as well.
void KeystrokeSynthesizer::addWithModifiers(KeySequence& keys, std::uint8_t virtualKey, std::uint8_t shiftState)
{
    std::uint8_t inner[2] = {};
    std::uint8_t innerCount = 0;
    if ((shiftState & kAltGrBits) == kAltGrBits) {
        if (platformMajorVersion_ == 5) {
            inner[innerCount++] = VirtualKey::RMenu;
        } else if (platformMajorVersion_ >= 4) {
            inner[innerCount++] = VirtualKey::Control;
            inner[innerCount++] = VirtualKey::Menu;
        }
    } else if (shiftState & kCtrlBit) {
        inner[innerCount++] = VirtualKey::Control;
    } else if (shiftState & kAltBit) {
        inner[innerCount++] = VirtualKey::Menu;
    }
    const bool shift = (shiftState & kShiftBit) != 0;
    if (shift)
        keys.press(VirtualKey::Shift);
    for (std::uint8_t i = 0; i < innerCount; ++i)
        keys.press(inner[i]);
    keys.tap(virtualKey);
    for (std::uint8_t i = 0; i < innerCount; ++i)
        keys.release(inner[i]);
    if (shift)
        keys.release(VirtualKey::Shift);
}

}  // namespace orvanta
