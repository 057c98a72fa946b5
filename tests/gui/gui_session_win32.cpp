/*
 * GUI test sessions: the dialog on the main thread, the user on another.
 */
#include "gui/gui_session_win32.h"

#include <atomic>
#include <thread>
#include <vector>

#include "app/app_win32.h"
#include "ui/settings_dialog_win32.h"

namespace orvanta::gui {
namespace {

constexpr DWORD kPatienceMs = 10000;
constexpr DWORD kPollMs = 20;

struct Search {
    const char* caption;
    bool messageBoxesOnly;
    std::vector<HWND> found;
};

bool isDialogWindow(HWND window)
{
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    return std::string(className) == "#32770";
}

// Reads a caption without sending a message: the window's thread may be
// busy elsewhere.
std::string caption(HWND window)
{
    WCHAR text[64] = {};
    InternalGetWindowText(window, text, 64);
    char narrow[64] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

bool isMessageBox(HWND window)
{
    const std::string caption = gui::caption(window);
    return isDialogWindow(window) && (caption == "Error" || caption == "Warning");
}

BOOL CALLBACK collect(HWND window, LPARAM context)
{
    auto& search = *reinterpret_cast<Search*>(context);
    if (search.messageBoxesOnly ? isMessageBox(window) : caption(window) == search.caption)
        search.found.push_back(window);
    return TRUE;
}

std::vector<HWND> threadWindows(DWORD thread, const char* caption, bool messageBoxesOnly)
{
    Search search{caption, messageBoxesOnly, {}};
    EnumThreadWindows(thread, collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Shown means initialised: a modal loop shows its window once idle.
HWND waitFor(DWORD thread, const char* caption, bool messageBoxesOnly)
{
    for (DWORD waited = 0; waited < kPatienceMs; waited += kPollMs) {
        for (HWND window : threadWindows(thread, caption, messageBoxesOnly)) {
            if (IsWindowVisible(window))
                return window;
        }
        Sleep(kPollMs);
    }
    return nullptr;
}

// A message box shows its text in the static control that has any.
BOOL CALLBACK findText(HWND child, LPARAM context)
{
    char className[16] = {};
    GetClassNameA(child, className, sizeof className);
    const std::string text = windowText(child);
    if (std::string(className) == "Static" && !text.empty())
        *reinterpret_cast<std::string*>(context) = text;
    return TRUE;
}

// Cancels whatever is open, innermost first, until the dialog has ended.
void closeEverything(DWORD thread, const std::atomic<bool>& ended)
{
    while (!ended) {
        for (HWND window : threadWindows(thread, nullptr, true))
            PostMessageA(window, WM_COMMAND, IDOK, 0);
        for (HWND window : threadWindows(thread, "The Grid Control", false))
            PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        for (HWND window : threadWindows(thread, "Orvanta (Ver 1.20)", false))
            PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        Sleep(kPollMs);
    }
}

DWORD threadOf(HWND window)
{
    return GetWindowThreadProcessId(window, nullptr);
}

}  // namespace

INT_PTR runSettingsDialog(const std::function<void(HWND dialog)>& user)
{
    const DWORD dialogThread = GetCurrentThreadId();
    std::atomic<bool> ended{false}, userDone{false};
    std::thread userThread([&] {
        HWND dialog = waitFor(dialogThread, "Orvanta (Ver 1.20)", false);
        if (dialog)
            user(dialog);
        closeEverything(dialogThread, ended);
        userDone = true;
    });
    theApp().trayIcon.show();   // as the interactive run does
    const INT_PTR result = runSettingsDialog(theApp());
    ended = true;
    // Keeps answering whatever the user thread still sends this thread.
    while (!userDone) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
    }
    userThread.join();
    return result;
}

// The dialog before ended the program: this one starts it anew.
void resetProgram()
{
    App& app = theApp();
    applyDefaults(app.program.settings);
    app.program.working = WorkingCodes{};
    app.program.commandLineMode = false;
    app.ending = app.quitPosted = false;
    MSG quit;
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

HWND waitForWindow(HWND sameThreadAs, const char* caption)
{
    return waitFor(threadOf(sameThreadAs), caption, false);
}

bool waitUntil(const std::function<bool()>& condition)
{
    for (DWORD waited = 0; waited < kPatienceMs; waited += kPollMs) {
        if (condition())
            return true;
        Sleep(kPollMs);
    }
    return condition();
}

ShownBox answerMessageBox(HWND sameThreadAs)
{
    HWND box = waitFor(threadOf(sameThreadAs), nullptr, true);
    if (!box)
        return {};
    ShownBox shown{caption(box), {}};
    EnumChildWindows(box, findText, reinterpret_cast<LPARAM>(&shown.text));
    SendMessageA(box, WM_COMMAND, IDOK, 0);
    return shown;
}

std::string windowText(HWND window)
{
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string itemText(HWND dialog, int id)
{
    return windowText(GetDlgItem(dialog, id));
}

void setItemText(HWND dialog, int id, const char* text)
{
    SetDlgItemTextA(dialog, id, text);
}

void click(HWND control, int x, int y)
{
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void postClick(HWND control, int x, int y)
{
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void pressButton(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void postButton(HWND dialog, int id)
{
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

}  // namespace orvanta::gui
