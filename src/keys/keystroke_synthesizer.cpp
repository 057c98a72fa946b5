/*
 * Keystroke synthesis. Everything is decided from the byte, the layout
 * look-up and the platform version; the events of one byte go out in one
 * piece and the only pause is the one after each byte.
 *
 * A record's data are one text of the ANSI code page, read character by
 * character; a byte that begins no valid character there (a lead byte
 * without its second byte) types the replacement character alone, and the
 * byte after it is read afresh, so it cannot swallow a carriage return.
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

bool KeystrokeSynthesizer::typeRecord(const RecordKeys& record)
{
    ForegroundWindow window;
    window.id = typing_.recordWindow;
    window.thread = typing_.recordThread;
    keyboard_.beginRecord(window);
    windowLagging_ = false;
    static const std::uint8_t kEnter[] = {VirtualKey::Return};
    const bool typed = typeText(record.prefix, true) && typeText(record.data, false)
                       && (!record.carriageReturn || typeText(kEnter, true)) && typeText(record.suffix, true);
    keyboard_.endRecord();
    return typed;
}

bool KeystrokeSynthesizer::typeBytes(const std::uint8_t* bytes, std::int32_t count)
{
    if (count <= 0)
        return true;
    return typeText({bytes, static_cast<std::size_t>(count)}, false);
}

// The user can open this program's dialog from the tray, switch windows or
// lock the workstation while a record is being typed: what is left of the
// record then is not typed, as its rest in another window would leave
// neither window holding the record. The collector's next copy brings it
// whole to the window in front then.
bool KeystrokeSynthesizer::typeText(std::span<const std::uint8_t> bytes, bool eachByteAlone)
{
    KeyGaps gaps(clock_, static_cast<std::uint32_t>(settings_.charDelayMs));
    for (std::size_t i = 0; i < bytes.size();) {
        std::uint64_t turn = gaps.await();
        KeySequence keys(keyboard_, typing_.keyboardLayout);
        const auto available = static_cast<std::uint32_t>(eachByteAlone ? 1 : bytes.size() - i);
        const std::uint32_t used = addCharacter(keys, bytes.data() + i, available);
        if (!sendWhole(keys, turn))
            return false;
        gaps.wentIn(turn, used);
        awaitWindowCaughtUp(keys);
        i += used;
    }
    return true;
}

// A key goes to the control that has the focus when the application's
// thread reads it, not when it goes in. An application that brings another
// window forward as it handles a key (a second window, a dialog at a code)
// would take the keys already waiting in its queue into that window. So
// after each character the record window's thread is asked to answer a
// message before the next goes in, once for every message that can stand
// ahead of what the application posts itself as it handles the character,
// and once more. A thread answers only when it is at its messages again,
// and sent messages go ahead of what waits in its queue, so each answer
// shows only that it took one message more. Ahead can stand the ups of the
// character before, this character's events up to its key that goes down,
// and the character message that key makes. A thread that does not answer
// in time (a look-up at an Enter) is not waited for again in this record:
// its keys wait in its queue, as a keyboard's would.
void KeystrokeSynthesizer::awaitWindowCaughtUp(const KeySequence& keys)
{
    const std::uint32_t answers = upsBehind_ + keys.eventsThroughLastDown() + 3;
    upsBehind_ = keys.eventsAfterLastDown();
    for (std::uint32_t answer = 0; answer < answers && !windowLagging_; ++answer)
        windowLagging_ = !keyboard_.windowAnswers(typing_.recordWindow, kAnswerWaitMs);
}

// The events of one character go in only into the record window and
// never with a modifier of the user's: a key of a record pressed with the
// user's Ctrl would be a shortcut. They wait while one is down; the look
// before them can miss a modifier pressed just after it, which the
// platform then reports by holding the events back. While the platform
// judges each key as it goes in, its verdict is the look: one made here
// as well would only make every key slower. After a wait the gap runs
// from the moment they go in.
bool KeystrokeSynthesizer::sendWhole(KeySequence& keys, std::uint64_t& turnUs)
{
    const std::uint64_t giveUpUs = clock_.nowUs() + kModifierWaitMs * kMicrosPerMs;
    bool heldBack = false;
    for (;;) {
        const bool judged = keyboard_.keysJudged();
        if (heldBack || (!judged && keyboard_.modifiersHeld())) {
            if (!awaitModifiersUp(giveUpUs))
                return false;
            turnUs = clock_.nowUs();
        }
        if (typing_.stopRequested || (!judged && !stillRecordWindow()))
            return false;
        const KeysFate fate = keys.send();
        if (fate != KeysFate::HeldBack)
            return fate == KeysFate::WentIn;
        heldBack = true;
    }
}

// Looks again, kModifierPollMs apart, until no modifier is down. False when
// one stays down past giveUpUs, or the port is being closed.
bool KeystrokeSynthesizer::awaitModifiersUp(std::uint64_t giveUpUs)
{
    do {
        if (clock_.nowUs() >= giveUpUs || typing_.stopRequested)
            return false;
        clock_.idleMs(kModifierPollMs);
    } while (keyboard_.modifiersHeld());
    return true;
}

// A window that is busy for a moment (looking up the line just entered,
// its field disabled meanwhile) takes its keys once it answers again and
// has a focused control; one that stays busy would swallow the record. A
// user who is typing finishes first: the record comes in one piece after
// a moment without a key.
bool KeystrokeSynthesizer::awaitRecordWindow()
{
    if (keyboard_.modifiersHeld() && !awaitModifiersUp(clock_.nowUs() + kModifierWaitMs * kMicrosPerMs))
        return false;
    const std::uint64_t giveUpUs = clock_.nowUs() + kRecordWindowWaitMs * kMicrosPerMs;
    for (;;) {
        const ForegroundWindow window = keyboard_.foregroundWindow();
        if (isRecordWindow(window) && keyboard_.othersKeysQuiet(kKeyboardQuietMs)
            && keyboard_.windowAnswers(window.id, kAnswerWaitMs)) {
            typing_.keyboardLayout = window.layout;
            typing_.recordWindow = window.id;
            typing_.recordThread = window.thread;
            return true;
        }
        if (clock_.nowUs() >= giveUpUs || typing_.stopRequested)
            return false;
        clock_.idleMs(kRecordWindowPollMs);
    }
}

bool KeystrokeSynthesizer::recordWindowThere()
{
    return isRecordWindow(keyboard_.foregroundWindow());
}

// A window that stops answering in the middle of a record still gets the
// rest: its keys wait in its queue.
bool KeystrokeSynthesizer::stillRecordWindow()
{
    const ForegroundWindow window = keyboard_.foregroundWindow();
    return staysRecordWindow(window) && window.id == typing_.recordWindow && window.thread == typing_.recordThread;
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
        if (!character.valid || character.length > available) {
            keys.typeUnit(kReplacementCharacter);
            return 1;
        }
        if (character.length > 1 || !addLayoutKey(keys, byte))
            addUnits(keys, character);
        return character.length;
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
