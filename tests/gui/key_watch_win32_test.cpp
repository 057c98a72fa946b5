/*
 * The watch on a record's keys, on real windows: the low-level hook lets a
 * record's keys into its window alone, holds them back while a Ctrl of
 * somebody else's (here SendInput without the record's tag, as another
 * program or the user's hand) that was down before the record is down,
 * keeps the keys of somebody else's that come during the record and gives
 * them on after it, and stops the record's keys once another window has
 * the front.
 */
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keys/keyboard_win32.h"

namespace orvanta {
namespace {

struct EditWindow {
    HWND frame = nullptr;
    HWND edit = nullptr;

    explicit EditWindow(const char* caption)
    {
        static const ATOM frameClass = [] {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = DefWindowProcA;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.lpszClassName = "KeyWatchTestFrame";
            return RegisterClassA(&windowClass);
        }();
        frame = CreateWindowExA(0, MAKEINTATOM(frameClass), caption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300, 120, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
        edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 280, 24, frame, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    }
    // Without a window manager wine takes seconds to destroy the window in
    // front; a hidden one goes at once.
    ~EditWindow()
    {
        ShowWindow(frame, SW_HIDE);
        DestroyWindow(frame);
    }

    void takeFront() const
    {
        SetForegroundWindow(frame);
        SetFocus(edit);
    }
    std::string text() const
    {
        char buffer[64] = {};
        GetWindowTextA(edit, buffer, sizeof buffer);
        return buffer;
    }
};

// The keys go to this thread's windows: they arrive once it takes them.
void pumpMessages()
{
    const DWORD until = GetTickCount() + 200;
    MSG message;
    while (static_cast<LONG>(until - GetTickCount()) > 0) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
}

KeysFate typeLetter(Win32Keyboard& keyboard, char letter)
{
    const std::uint8_t key = static_cast<std::uint8_t>(letter - 'a' + 'A');
    const KeyEvent events[] = {{key, 0, 0, false, false, false}, {key, 0, 0, true, false, false}};
    const KeysFate fate = keyboard.sendKeys(events, 2);
    pumpMessages();
    return fate;
}

void untaggedKey(WORD key, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

TEST(KeyWatch, LetsARecordsKeysIntoItsWindowAloneAndKeepsSomebodyElsesKeysUntilItsEnd)
{
    EditWindow first("First window"), second("Second window");
    first.takeFront();
    pumpMessages();
    Win32Keyboard keyboard;
    const ForegroundWindow target = keyboard.foregroundWindow();
    ASSERT_EQ(target.id, reinterpret_cast<WindowId>(first.frame));
    untaggedKey(VK_CONTROL, false);
    keyboard.beginRecord(target);

    EXPECT_EQ(typeLetter(keyboard, 'a'), KeysFate::HeldBack) << "Ctrl was down before the record";
    untaggedKey(VK_CONTROL, true);
    EXPECT_EQ(typeLetter(keyboard, 'a'), KeysFate::WentIn);
    untaggedKey('X', false);
    untaggedKey('X', true);
    EXPECT_EQ(typeLetter(keyboard, 'b'), KeysFate::WentIn);
    second.takeFront();
    pumpMessages();
    EXPECT_EQ(typeLetter(keyboard, 'c'), KeysFate::WindowLeft);
    keyboard.endRecord();
    pumpMessages();
    EXPECT_EQ(first.text(), "ab") << "no Ctrl+A, nothing of somebody else's inside, nothing after the window changed";
    EXPECT_EQ(second.text(), "x") << "the key that waited, after the record";

    EXPECT_EQ(typeLetter(keyboard, 'd'), KeysFate::WentIn) << "outside a record nothing is watched";
    EXPECT_EQ(second.text(), "xd");
}

}  // namespace
}  // namespace orvanta
