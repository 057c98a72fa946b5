/*
 * A keyboard that records every key event and answers layout look-ups
 * from tables. It models Caps Lock in both ways Windows can be set up:
 * the Caps Lock key toggles it, or only Shift releases it.
 */
#pragma once

#include <array>
#include <cstdint>
#include <map>

#include "fakes/event_log.h"
#include "keys/keyboard.h"

namespace orvanta::fakes {

using LayoutTable = std::array<std::int16_t, 256>;

constexpr KeyboardLayout kUsLayout = 0x04090409;
constexpr KeyboardLayout kGermanLayout = 0x04070407;

LayoutTable usLayoutTable();
LayoutTable germanLayoutTable();

class FakeKeyboard final : public Keyboard {
public:
    explicit FakeKeyboard(EventLog& log);

    void keyEvent(std::uint8_t virtualKey, bool keyUp) override;
    std::int16_t scanChar(std::uint8_t character, KeyboardLayout layout) override;
    std::uint8_t capsLockState() override { return capsLockOn ? 1 : 0; }
    KeyboardLayout foregroundLayout() override { return foreground; }

    bool capsLockOn = false;
    bool shiftReleasesCapsLock = false;
    KeyboardLayout foreground = kUsLayout;
    std::map<KeyboardLayout, LayoutTable> layouts;

private:
    EventLog& log_;
};

}  // namespace orvanta::fakes
