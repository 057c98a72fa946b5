/*
 * The clock on Windows: Sleep and GetTickCount.
 */
#include "platform/clock_win32.h"

#include <windows.h>

namespace orvanta {

void Win32Clock::sleepMs(std::uint32_t ms)
{
    Sleep(ms);
}

std::uint32_t Win32Clock::tickCount()
{
    return GetTickCount();
}

}  // namespace orvanta
