/*
 * Turns bytes into key events for the foreground window: a fixed key for
 * each control code, and for every other byte the key and modifiers that
 * the captured keyboard layout gives. Pauses charDelayMs after every byte.
 */
#pragma once

#include <cstdint>

#include "app/clock.h"
#include "keys/keyboard.h"
#include "protocol/transfer_context.h"
#include "settings/settings.h"

namespace orvanta {

// Key of a control code (bytes below 27), or 0 when the byte types no key
// (0, 10) or is not a control code.
std::uint8_t controlCodeKey(std::uint8_t byte);

class KeystrokeSynthesizer {
public:
    KeystrokeSynthesizer(Keyboard& keyboard, Clock& clock, const Settings& settings,
                         TransferContext& transfer, const int& platformMajorVersion);

    void typeBytes(const std::uint8_t* bytes, std::int32_t count);
    // Takes the foreground window's layout once per transfer.
    void captureLayout();

private:
    void typeByte(std::uint8_t byte);
    void typeCharacter(std::uint8_t byte);
    void tapWith(std::uint8_t modifier, std::uint8_t virtualKey);
    void tapWithAltGr(std::uint8_t virtualKey);
    void tapKey(std::uint8_t virtualKey);

    Keyboard& keyboard_;
    Clock& clock_;
    const Settings& settings_;
    TransferContext& transfer_;
    const int& platformMajorVersion_;
};

}  // namespace orvanta
