#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "protocol/protocol_timer_win32.h"

namespace orvanta {
namespace {

// Pumps the calling thread's messages until a WM_TIMER for the window
// arrives or the time is up; returns its id, or 0.
UINT_PTR awaitTimer(HWND window, DWORD limitMs)
{
    const DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < limitMs) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_TIMER && message.hwnd == window)
                return message.wParam;
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return 0;
}

HWND createOwnerWindow()
{
    WNDCLASSA ownerClass{};
    ownerClass.lpfnWndProc = DefWindowProcA;
    ownerClass.hInstance = GetModuleHandleA(nullptr);
    ownerClass.lpszClassName = "TimerOwnerForTests";
    RegisterClassA(&ownerClass);
    return CreateWindowExA(0, "TimerOwnerForTests", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ownerClass.hInstance,
                           nullptr);
}

struct TimerWindow {
    HWND window = createOwnerWindow();
    Win32ProtocolTimer timer;
    TimerWindow()
    {
        EXPECT_NE(window, nullptr);
        timer.createRelay(GetModuleHandleA(nullptr), window);
    }
    ~TimerWindow() { DestroyWindow(window); }
};

// Each deadline expires with its own id, as the one armed last: arming
// one stops the others, whichever thread armed them.
TEST(Win32ProtocolTimer, ADeadlineArmedFromAnotherThreadReplacesTheOneBefore)
{
    TimerWindow t;
    t.timer.arm(Deadline::Read, 20);
    std::thread reader([&] { t.timer.arm(Deadline::Answer, 1); });
    reader.join();
    const UINT_PTR id = awaitTimer(t.window, 2000);
    EXPECT_EQ(t.timer.expired(id), Deadline::Answer);
    EXPECT_EQ(awaitTimer(t.window, 100), 0u) << "expired() stopped it; the READ deadline was replaced";
    EXPECT_EQ(t.timer.expired(77), std::nullopt) << "another timer of the window";
}

TEST(Win32ProtocolTimer, AStopFromAnotherThreadComesBeforeTheNextExpiry)
{
    TimerWindow t;
    t.timer.arm(Deadline::Reopen, 50);
    std::thread reader([&] { t.timer.stop(); });
    reader.join();
    EXPECT_EQ(awaitTimer(t.window, 300), 0u);
}

}  // namespace
}  // namespace orvanta
