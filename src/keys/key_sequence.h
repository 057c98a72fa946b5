/*
 * The key events of one typed byte (or of one tap), collected so that they
 * go to the platform in one piece: nothing the user types can then land
 * between a modifier and its key. Every event carries the scan code the
 * layout gives its key and, for the keys that have one, the extended flag,
 * so programs that read scan codes (remote desktop and terminal clients)
 * see the key that was meant.
 */
#pragma once

#include <cstdint>

#include "keys/keyboard.h"

namespace orvanta {

// Shift, Ctrl and Alt around a key, with AltGr (Ctrl and Alt together),
// and a surrogate pair typed as Unicode, fit in this many events.
constexpr std::uint32_t kMaxKeyEvents = 8;

// Keys whose scan code comes with the extended prefix: the navigation
// block, and the right-hand Alt and Ctrl.
bool isExtendedKey(std::uint8_t virtualKey);

class KeySequence {
public:
    KeySequence(Keyboard& keyboard, KeyboardLayout layout) : keyboard_(keyboard), layout_(layout) {}

    void press(std::uint8_t virtualKey) { addKey(virtualKey, false); }
    void release(std::uint8_t virtualKey) { addKey(virtualKey, true); }
    void tap(std::uint8_t virtualKey);
    // Down and up of a UTF-16 unit, typed without a key of the layout.
    void typeUnit(std::uint16_t unit);
    // Sends the events; they stay, so that events held back can go again.
    [[nodiscard]] KeysFate send();
    // The events up to the last key that goes down (the one that makes
    // the character), and those after it.
    std::uint32_t eventsThroughLastDown() const;
    std::uint32_t eventsAfterLastDown() const { return count_ - eventsThroughLastDown(); }

private:
    void addKey(std::uint8_t virtualKey, bool keyUp);
    void add(const KeyEvent& event);

    Keyboard& keyboard_;
    KeyboardLayout layout_;
    KeyEvent events_[kMaxKeyEvents] = {};
    std::uint32_t count_ = 0;
};

// A tap sent on its own (Caps Lock handling); the result is not examined.
void tapAlone(Keyboard& keyboard, KeyboardLayout layout, std::uint8_t virtualKey);

}  // namespace orvanta
