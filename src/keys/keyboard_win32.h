/*
 * The keyboard on Windows: keybd_event and the layout functions.
 */
#pragma once

#include "keys/keyboard.h"

namespace orvanta {

class Win32Keyboard final : public Keyboard {
public:
    void keyEvent(std::uint8_t virtualKey, bool keyUp) override;
    std::int16_t scanChar(std::uint8_t character, KeyboardLayout layout) override;
    std::uint8_t capsLockState() override;
    KeyboardLayout foregroundLayout() override;
};

// Low byte of GetVersion(): the platform's major version.
int platformMajorVersion();

}  // namespace orvanta
