/*
 * The keyboard on Windows. Key events are injected with keybd_event and
 * scan code 0, never with the extended-key flag: the receiving application
 * sees the virtual key alone, as the layout look-up chose it.
 */
#include "keys/keyboard_win32.h"

#include <windows.h>

namespace orvanta {

void Win32Keyboard::keyEvent(std::uint8_t virtualKey, bool keyUp)
{
    keybd_event(virtualKey, 0, keyUp ? KEYEVENTF_KEYUP : 0, 0);
}

std::int16_t Win32Keyboard::scanChar(std::uint8_t character, KeyboardLayout layout)
{
    return VkKeyScanExA(static_cast<CHAR>(character), reinterpret_cast<HKL>(layout));
}

std::uint8_t Win32Keyboard::capsLockState()
{
    return static_cast<std::uint8_t>(GetKeyState(VK_CAPITAL) & 0xFF);
}

KeyboardLayout Win32Keyboard::foregroundLayout()
{
    DWORD thread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    return reinterpret_cast<KeyboardLayout>(GetKeyboardLayout(thread));
}

int platformMajorVersion()
{
    return static_cast<int>(GetVersion() & 0xFF);
}

}  // namespace orvanta
