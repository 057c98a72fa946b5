#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "platform/protocol_timer_win32.h"

namespace orvanta {
namespace {

// Pumps the calling thread's messages until a WM_TIMER for the window
// with the protocol timer id arrives or the time is up; returns the id, or 0.
UINT_PTR awaitTimer(HWND window, DWORD limitMs)
{
    const DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < limitMs) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_TIMER && message.hwnd == window && message.wParam == kProtocolTimerId)
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
        timer.createRelay(GetModuleHandleA(nullptr));
    }
    ~TimerWindow() { DestroyWindow(window); }
    WindowId owner() const { return reinterpret_cast<WindowId>(window); }
};

TEST(Win32ProtocolTimer, ArmedFromAnotherThreadExpiresOnTheOwnersThread)
{
    TimerWindow t;
    std::thread reader([&] { t.timer.set(t.owner(), kProtocolTimerId, 1); });
    reader.join();
    EXPECT_EQ(awaitTimer(t.window, 2000), kProtocolTimerId);
    t.timer.kill(t.owner(), kProtocolTimerId);
}

TEST(Win32ProtocolTimer, AStopFromAnotherThreadComesBeforeTheNextExpiry)
{
    TimerWindow t;
    t.timer.set(t.owner(), kProtocolTimerId, 50);
    std::thread reader([&] { t.timer.kill(t.owner(), kProtocolTimerId); });
    reader.join();
    EXPECT_EQ(awaitTimer(t.window, 300), 0u);
}

}  // namespace
}  // namespace orvanta
