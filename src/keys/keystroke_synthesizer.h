/*
 * Turns bytes into key events for the window in front: a fixed key for each
 * control code, and for every other byte the key and modifiers that the
 * window's keyboard layout gives, or the character itself as Unicode where
 * the layout has no key that types it alone. Pauses charDelayMs after every
 * byte.
 */
#pragma once

#include <cstdint>

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
// Windows key, and how often it looks.
constexpr std::uint32_t kModifierWaitMs = 1000;
constexpr std::uint32_t kModifierPollMs = 10;
// How long a record waits for a window in front that does not answer.
constexpr std::uint32_t kHungWaitMs = 2000;
constexpr std::uint32_t kHungPollMs = 50;

class KeystrokeSynthesizer {
public:
    KeystrokeSynthesizer(Keyboard& keyboard, Clock& clock, const Settings& settings,
                         TypingState& typing, const int& platformMajorVersion);

    // Types the bytes in order. False when the platform refused a key event
    // or the window the record began in is no longer in front and able to
    // take keys; nothing after that byte is typed.
    [[nodiscard]] bool typeBytes(const std::uint8_t* bytes, std::int32_t count);
    // Before each record: waits (bounded) until no modifier is held and the
    // window in front answers, then takes that window and its layout for
    // the record. False when there is no window a record may be typed into.
    [[nodiscard]] bool awaitTypingTarget();
    // Whether the window in front could take a record now.
    bool hasTypingTarget();
    // After the last key of a record and a pause of settleMs: whether its
    // window is still in front and able to take keys. False: the record
    // did not reach it whole.
    [[nodiscard]] bool recordTaken(std::uint32_t settleMs);

private:
    bool awaitModifiersReleased();
    ForegroundWindow awaitAnsweringWindow();
    bool stillTypingTarget();
    std::uint32_t addCharacter(KeySequence& keys, const std::uint8_t* bytes, std::uint32_t available);
    bool addLayoutKey(KeySequence& keys, std::uint8_t byte);
    void addWithModifiers(KeySequence& keys, std::uint8_t virtualKey, std::uint8_t shiftState);

    Keyboard& keyboard_;
    Clock& clock_;
    const Settings& settings_;
    TypingState& typing_;
    const int& platformMajorVersion_;
};

}  // namespace orvanta
