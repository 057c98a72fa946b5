/*
 * Message boxes on Windows.
 */
#include "platform/message_box_win32.h"

#include <windows.h>

namespace orvanta {

void Win32MessageBoxes::show(WindowId owner, const char* text, const char* caption, std::uint32_t style)
{
    MessageBoxA(reinterpret_cast<HWND>(owner), text, caption, style);
}

}  // namespace orvanta
