/*
 * The protocol timer as window timers, one id per deadline. Windows lets
 * only the thread that owns a window set or kill its timers, but the
 * receive thread arms and stops the protocol timer too. Its requests are
 * posted to a message-only relay window of the UI thread, which carries
 * them out in the order they were made. Posted messages are handled before
 * any WM_TIMER is generated, so a stop from the receive thread always
 * comes before the next expiry. The receive thread never waits for the UI
 * thread this way.
 *
 * While all of the program's windows are hidden, Windows may hold a timer
 * back to expire together with others; the hand-over to the UI thread
 * would then wait for them. The protocol timer asks not to be coalesced.
 */
#include "protocol/protocol_timer_win32.h"

#include "platform/precise_timing_win32.h"

namespace orvanta {
namespace {

constexpr UINT kArmRequest = WM_APP + 50;
constexpr UINT kStopRequest = WM_APP + 51;
constexpr char kRelayClass[] = "OrvantaTimerRelay";

void killAll(HWND owner)
{
    for (Deadline deadline : kDeadlines)
        KillTimer(owner, static_cast<UINT_PTR>(deadline));
}

void armNow(HWND owner, Deadline deadline, UINT intervalMs)
{
    killAll(owner);
    setUncoalescedTimer(owner, static_cast<UINT_PTR>(deadline), intervalMs);
}

}  // namespace

bool Win32ProtocolTimer::createRelay(HINSTANCE instance, HWND owner)
{
    owner_ = owner;
    WNDCLASSA relayClass{};
    relayClass.lpfnWndProc = RelayProc;
    relayClass.hInstance = instance;
    relayClass.lpszClassName = kRelayClass;
    RegisterClassA(&relayClass);
    relay_ = CreateWindowExA(0, kRelayClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (relay_)
        SetWindowLongPtrA(relay_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    return relay_ != nullptr;
}

bool Win32ProtocolTimer::onOwnerThread() const
{
    return GetWindowThreadProcessId(owner_, nullptr) == GetCurrentThreadId();
}

void Win32ProtocolTimer::arm(Deadline deadline, std::uint32_t intervalMs)
{
    if (relay_ && !onOwnerThread())
        PostMessageA(relay_, kArmRequest, static_cast<WPARAM>(deadline), static_cast<LPARAM>(intervalMs));
    else
        armNow(owner_, deadline, intervalMs);
}

void Win32ProtocolTimer::stop()
{
    if (relay_ && !onOwnerThread())
        PostMessageA(relay_, kStopRequest, 0, 0);
    else
        killAll(owner_);
}

void Win32ProtocolTimer::discardPending()
{
    MSG message;
    while (relay_ && PeekMessageA(&message, relay_, kArmRequest, kStopRequest, PM_REMOVE)) {
    }
}

std::optional<Deadline> Win32ProtocolTimer::expired(UINT_PTR timerId)
{
    for (Deadline deadline : kDeadlines) {
        if (static_cast<UINT_PTR>(deadline) == timerId) {
            KillTimer(owner_, timerId);
            return deadline;
        }
    }
    return std::nullopt;
}

LRESULT CALLBACK Win32ProtocolTimer::RelayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND owner = reinterpret_cast<HWND>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case kArmRequest: armNow(owner, static_cast<Deadline>(wParam), static_cast<UINT>(lParam)); return 0;
    case kStopRequest: killAll(owner); return 0;
    // Closed from outside, the relay would leave the receive thread's
    // requests nowhere to go: the program ends as a whole instead.
    case WM_CLOSE: PostMessageA(owner, WM_CLOSE, 0, 0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace orvanta
