/*
 * Turns bytes into key events for the window in front: a fixed key for each
 * control code, and for every other byte the key and modifiers that the
 * window's keyboard layout gives, or the character itself as Unicode where
 * the layout has no key that types it alone. Pauses charDelayMs after every
 * byte.
 *
 * A record goes to one window, the record window, key by key: each key
 * goes in only while that window has the front and its focus and no
 * modifier of the user's is down. A record counts as typed when its last
 * key went in; what the application does after that is its own business.
 */
#pragma once

#include <cstdint>
#include <span>

#include "platform/clock.h"
#include "keys/key_sequence.h"
#include "keys/keyboard.h"
#include "keys/typing_state.h"
#include "settings/settings.h"

namespace orvanta {

// Key of a control code (bytes below 27), or 0 when the byte types no key
// (0, 10) or is not a control code.
std::uint8_t controlCodeKey(std::uint8_t byte);

// How long a record waits for the user to let go of Shift, Ctrl, Alt or a
// Windows key, before its first key and again at any key after it, and
// how often it looks.
constexpr std::uint32_t kModifierWaitMs = 2000;
constexpr std::uint32_t kModifierPollMs = 10;
// How long a record waits before its first key for a window that can take
// keys and keeps up, how often it looks, and how long one look waits for
// the window's thread to answer (after each character of a record too).
constexpr std::uint32_t kRecordWindowWaitMs = 2000;
constexpr std::uint32_t kRecordWindowPollMs = 50;
constexpr std::uint32_t kAnswerWaitMs = 100;
// A record starts only once nobody else's key is down and none has gone
// for this long.
constexpr std::uint32_t kKeyboardQuietMs = 300;
// What a byte that is no character of the ANSI code page types.
constexpr std::uint16_t kReplacementCharacter = 0xFFFD;

// The keys of one record in the order they go in. The data are one text of
// the ANSI code page; each code of a list, and the carriage return, is a
// key of its own that never joins a multi-byte character.
struct RecordKeys {
    std::span<const std::uint8_t> prefix;
    std::span<const std::uint8_t> data;
    bool carriageReturn = false;
    std::span<const std::uint8_t> suffix;
};

class KeystrokeSynthesizer {
public:
    KeystrokeSynthesizer(Keyboard& keyboard, Clock& clock, const Settings& settings,
                         TypingState& typing, const int& platformMajorVersion);

    // Types the record into the record window awaitRecordWindow found.
    // True when every key of it went in; false when it stopped part-way
    // (the window went, a modifier stayed down, a key was refused): then
    // nothing after that key was typed.
    [[nodiscard]] bool typeRecord(const RecordKeys& record);
    // Types the bytes as one text into the record's window, as typeRecord
    // types the data.
    [[nodiscard]] bool typeBytes(const std::uint8_t* bytes, std::int32_t count);
    // Before a record: waits (bounded) until no modifier is held and the
    // window in front can take keys and answers, then takes that window and
    // its layout as the record's. False when there is none.
    [[nodiscard]] bool awaitRecordWindow();
    // Whether the window in front could take a record now.
    bool recordWindowThere();

private:
    bool typeText(std::span<const std::uint8_t> bytes, bool eachByteAlone);
    bool sendWhole(KeySequence& keys, std::uint64_t& turnUs);
    bool awaitModifiersUp(std::uint64_t giveUpUs);
    bool stillRecordWindow();
    void awaitWindowCaughtUp(const KeySequence& keys);
    std::uint32_t addCharacter(KeySequence& keys, const std::uint8_t* bytes, std::uint32_t available);
    bool addLayoutKey(KeySequence& keys, std::uint8_t byte);
    void addWithModifiers(KeySequence& keys, std::uint8_t virtualKey, std::uint8_t shiftState);

    Keyboard& keyboard_;
    Clock& clock_;
    const Settings& settings_;
    TypingState& typing_;
    const int& platformMajorVersion_;
    bool windowLagging_ = false;   // the record window's thread did not catch up in time
    std::uint32_t upsBehind_ = 0;  // the last character's events after its key went down
};

}  // namespace orvanta
