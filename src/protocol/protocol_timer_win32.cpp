/*
 * The protocol timer as a window timer: SetTimer and KillTimer may be
 * called from any thread; the expiry arrives as WM_TIMER on the thread
 * that owns the window.
 */
#include "protocol/protocol_timer_win32.h"

#include <windows.h>

namespace orvanta {

void Win32ProtocolTimer::set(WindowId owner, std::uintptr_t timerId, std::uint32_t intervalMs)
{
    SetTimer(reinterpret_cast<HWND>(owner), timerId, intervalMs, nullptr);
}

void Win32ProtocolTimer::kill(WindowId owner, std::uintptr_t timerId)
{
    KillTimer(reinterpret_cast<HWND>(owner), timerId);
}

}  // namespace orvanta
