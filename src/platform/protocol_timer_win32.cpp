/*
 * The protocol timer as a window timer. Windows lets only the thread that
 * owns a window set or kill its timers, but the receive thread arms and
 * stops the protocol timer too. Its requests are posted to a message-only
 * relay window of the UI thread, which carries them out in the order they
 * were made. Posted messages are handled before any WM_TIMER is generated,
 * so a stop from the receive thread always comes before the next expiry.
 * The receive thread never waits for the UI thread this way.
 *
 * While all of the program's windows are hidden, Windows may hold a timer
 * back to expire together with others; the hand-over to the UI thread
 * would then wait for them. The protocol timer asks not to be coalesced.
 */
#include "platform/protocol_timer_win32.h"

#include "platform/precise_timing_win32.h"

namespace orvanta {
namespace {

constexpr UINT kArmRequest = WM_APP + 50;
constexpr UINT kStopRequest = WM_APP + 51;
constexpr char kRelayClass[] = "OrvantaTimerRelay";

bool onOwnerThread(HWND owner)
{
    return GetWindowThreadProcessId(owner, nullptr) == GetCurrentThreadId();
}

}  // namespace

bool Win32ProtocolTimer::createRelay(HINSTANCE instance)
{
    WNDCLASSA relayClass{};
    relayClass.lpfnWndProc = RelayProc;
    relayClass.hInstance = instance;
    relayClass.lpszClassName = kRelayClass;
    RegisterClassA(&relayClass);
    relay_ = CreateWindowExA(0, kRelayClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    return relay_ != nullptr;
}

void Win32ProtocolTimer::set(WindowId owner, std::uintptr_t timerId, std::uint32_t intervalMs)
{
    HWND window = reinterpret_cast<HWND>(owner);
    if (relay_ && timerId == kProtocolTimerId && !onOwnerThread(window))
        PostMessageA(relay_, kArmRequest, reinterpret_cast<WPARAM>(window), static_cast<LPARAM>(intervalMs));
    else
        setUncoalescedTimer(window, timerId, intervalMs);
}

void Win32ProtocolTimer::kill(WindowId owner, std::uintptr_t timerId)
{
    HWND window = reinterpret_cast<HWND>(owner);
    if (relay_ && timerId == kProtocolTimerId && !onOwnerThread(window))
        PostMessageA(relay_, kStopRequest, reinterpret_cast<WPARAM>(window), 0);
    else
        KillTimer(window, timerId);
}

void Win32ProtocolTimer::discardPending()
{
    MSG message;
    while (relay_ && PeekMessageA(&message, relay_, kArmRequest, kStopRequest, PM_REMOVE)) {
    }
}

LRESULT CALLBACK Win32ProtocolTimer::RelayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND owner = reinterpret_cast<HWND>(wParam);
    switch (message) {
    case kArmRequest: setUncoalescedTimer(owner, kProtocolTimerId, static_cast<UINT>(lParam)); return 0;
    case kStopRequest: KillTimer(owner, kProtocolTimerId); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace orvanta
