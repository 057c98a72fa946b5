/*
 * UI driver for the interactive end-to-end tests: plays the user of a
 * running Orvanta.exe from another process, one action per run.
 *
 *   ui_driver.exe wait CAPTION visible|hidden|gone [SECONDS]
 *   ui_driver.exe click CAPTION ID          (a button, as if clicked)
 *   ui_driver.exe command CAPTION ID        (the button's notification alone,
 *                                            which leaves the focus where it is)
 *   ui_driver.exe settext CAPTION ID TEXT   (as if typed: the field's checks run)
 *   ui_driver.exe gettext CAPTION ID
 *   ui_driver.exe select CAPTION ID INDEX   (the entry of a drop-down list)
 *   ui_driver.exe listselect CAPTION ID INDEX  (selects the line of a list view, alone)
 *   ui_driver.exe listcount CAPTION ID [SECONDS]  (prints the lines of a list view; waits up to
 *                                            SECONDS for it to have one)
 *   ui_driver.exe listtext CAPTION ID INDEX COLUMN  (prints the text of a cell of a list view)
 *   ui_driver.exe press CAPTION ID X Y      (a mouse click at X, Y in the control)
 *   ui_driver.exe pickcell CAPTION COLUMN ROW  (a cell of the code picker's grid)
 *   ui_driver.exe messagebox [SECONDS]      (prints "caption|text" and presses OK)
 *   ui_driver.exe tray COMMAND              (a tray menu command: IDM_TRAY_OPEN, IDM_TRAY_RECENT,
 *                                            IDM_TRAY_EXIT)
 *   ui_driver.exe power suspend|resume      (what Windows tells every window before
 *                                            sleep and after the wake-up)
 *   ui_driver.exe session query|closeapp    (the question before the session ends, which
 *                                            prints the answer; then its end, as the Restart
 *                                            Manager gives it to a program it closes)
 *   ui_driver.exe foreground CAPTION
 *   ui_driver.exe front                     (prints the window in front: "class|caption|visible|
 *                                            minimized|focus class", or "none")
 *   ui_driver.exe trayicons                 (prints how many icons the notification area shows: wine's
 *                                            own tray window's, where no desktop shell has one)
 *   ui_driver.exe key VK                    (a tap of the key VK, a number (20 is Caps Lock), as
 *                                            from the keyboard; prints whether the key is toggled
 *                                            on after it: "on" or "off")
 *   ui_driver.exe hold PATH STOPFILE [READYFILE]  (holds the existing file PATH open as a
 *                                            spreadsheet holds the CSV it shows, others may only
 *                                            read it; writes READYFILE once it holds it and lets
 *                                            go when STOPFILE appears; runs until then)
 *
 * ID and COMMAND are names from the program's resource.h (IDC_START) or
 * plain numbers; the names take their values from that header, and the
 * grid cells their places from the program's own grid geometry, so the
 * tests follow the program when either changes.
 *
 * Windows are found by caption among all top-level windows. Clicks are
 * posted, so that an action which opens a modal window (the code picker, a
 * message box) does not hold the driver. Exit code 0 on success, 1 when
 * the window, the list line or the file did not turn up, 2 for a bad
 * command line or an unknown name.
 */
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/text_win32.h"
#include "res/resource.h"
#include "ui/grid_geometry.h"

namespace {

// The program's control and menu ids by their names in resource.h.
#define NAMED(id) {#id, id}
constexpr struct {
    const char* name;
    int id;
} kNamedIds[] = {
    NAMED(IDM_TRAY_OPEN), NAMED(IDM_TRAY_EXIT), NAMED(IDC_START), NAMED(IDC_CLOSE), NAMED(IDC_STOP),
    NAMED(IDC_POLLING_LABEL), NAMED(IDC_POLLING_RANGE), NAMED(IDC_DELAY_LABEL), NAMED(IDC_DELAY_RANGE),
    NAMED(IDC_COM_PORT), NAMED(IDC_COM_PORT_NAME), NAMED(IDC_COM_PORT_LIST), NAMED(IDC_POLLING_SECONDS),
    NAMED(IDC_CHAR_DELAY), NAMED(IDC_PREFIX_CODES),
    NAMED(IDC_SUFFIX_CODES), NAMED(IDC_TRANSMISSION_TYPE), NAMED(IDC_BAUD_RATE), NAMED(IDC_ADD_CR),
    NAMED(IDC_KEEP_ONLINE), NAMED(IDC_PREFIX_ENABLED), NAMED(IDC_SUFFIX_ENABLED), NAMED(IDC_TYPE_ONLY_CHARACTERS),
    NAMED(IDC_COM_PORT_SPIN),
    NAMED(IDC_CHAR_DELAY_SPIN), NAMED(IDC_GRID_OK), NAMED(IDC_GRID_CANCEL), NAMED(IDC_GRID_BACKSPACE),
    NAMED(IDC_GRID_AREA), NAMED(IDC_GRID_RESULT), NAMED(IDM_TRAY_RECENT), NAMED(IDC_RECENT_SEARCH),
    NAMED(IDC_RECENT_LIST), NAMED(IDC_TYPE_AGAIN), NAMED(IDC_RECENT_STATUS),
};
#undef NAMED

// A name of resource.h, or a number; nothing for any other text (which
// std::atoi would quietly take for 0).
std::optional<int> idOf(const std::string& text)
{
    for (const auto& entry : kNamedIds) {
        if (text == entry.name)
            return entry.id;
    }
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0')
        return std::nullopt;
    return static_cast<int>(number);
}

constexpr DWORD kPollMs = 50;
constexpr double kDefaultSeconds = 20;

std::string captionOf(HWND window)
{
    char text[128] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

bool isMessageBox(HWND window)
{
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    const std::string caption = captionOf(window);
    return std::strcmp(className, "#32770") == 0 && IsWindowVisible(window) &&
           (caption == "Error" || caption == "Warning");
}

BOOL CALLBACK findMessageBox(HWND window, LPARAM found)
{
    if (!isMessageBox(window))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

BOOL CALLBACK findText(HWND child, LPARAM text)
{
    char className[16] = {};
    GetClassNameA(child, className, sizeof className);
    const std::string childText = captionOf(child);
    if (std::strcmp(className, "Static") == 0 && !childText.empty())
        *reinterpret_cast<std::string*>(text) = childText;
    return TRUE;
}

template <typename Condition>
bool waitUntil(double seconds, Condition condition)
{
    for (DWORD waited = 0; waited < seconds * 1000; waited += kPollMs) {
        if (condition())
            return true;
        Sleep(kPollMs);
    }
    return condition();
}

HWND findWindow(const char* caption)
{
    HWND window = nullptr;
    waitUntil(kDefaultSeconds, [&] { return (window = FindWindowA(nullptr, caption)) != nullptr; });
    return window;
}

HWND findControl(const char* caption, int id)
{
    HWND window = findWindow(caption);
    return window ? GetDlgItem(window, id) : nullptr;
}

int unknownName(const char* text)
{
    std::printf("no control or command named %s\n", text);
    return 2;
}

int wait(int argc, char** argv)
{
    const std::string state = argv[3];
    const double seconds = argc > 4 ? std::atof(argv[4]) : kDefaultSeconds;
    const bool reached = waitUntil(seconds, [&] {
        HWND window = FindWindowA(nullptr, argv[2]);
        if (state == "gone")
            return window == nullptr;
        return window != nullptr && (IsWindowVisible(window) != FALSE) == (state == "visible");
    });
    std::puts(reached ? "ok" : "timed out");
    return reached ? 0 : 1;
}

int messageBox(int argc, char** argv)
{
    HWND box = nullptr;
    const double seconds = argc > 2 ? std::atof(argv[2]) : kDefaultSeconds;
    waitUntil(seconds, [&] { return !EnumWindows(findMessageBox, reinterpret_cast<LPARAM>(&box)) || box; });
    if (!box) {
        std::puts("no message box");
        return 1;
    }
    std::string text;
    EnumChildWindows(box, findText, reinterpret_cast<LPARAM>(&text));
    std::printf("%s|%s\n", captionOf(box).c_str(), text.c_str());
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return 0;
}

void postClickAt(HWND control, int x, int y)
{
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// The centre of the cell for code COLUMN x 16 + ROW, where the code
// picker itself places it in its grid area.
int pickCell(char** argv)
{
    HWND grid = findControl(argv[2], IDC_GRID_AREA);
    if (!grid)
        return 1;
    RECT client;
    GetClientRect(grid, &client);
    const orvanta::PixelRect cell = orvanta::cellRect(orvanta::gridMetrics(client.right, client.bottom),
                                                      orvanta::GridCell{std::atoi(argv[3]), std::atoi(argv[4])});
    postClickAt(grid, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    return 0;
}

// A list view reads the item state it is sent from its own process's
// memory: the state goes there first.
int selectListLine(HWND list, int line)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId);
    void* remote = process ? VirtualAllocEx(process, nullptr, sizeof(LVITEMA), MEM_COMMIT, PAGE_READWRITE) : nullptr;
    if (!remote)
        return 1;
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(remote));   // none
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(remote));
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return 0;
}

int listCount(HWND list)
{
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

// An owner-data list keeps no text: it asks its dialog for the cell, and
// writes it where the item it was sent points, in its own process. The
// item and its text buffer go there as one block, and the text comes back.
int printListText(HWND list, int line, int column)
{
    if (line < 0 || line >= listCount(list)) {
        std::printf("no line %d\n", line);
        return 1;
    }
    constexpr int kMostChars = 1024;
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    auto* remote = static_cast<char*>(process ? VirtualAllocEx(process, nullptr,
                                                               sizeof(LVITEMW) + kMostChars * sizeof(wchar_t),
                                                               MEM_COMMIT, PAGE_READWRITE)
                                              : nullptr);
    if (!remote) {
        if (process)
            CloseHandle(process);
        return 1;
    }
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = line;
    item.iSubItem = column;
    item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
    item.cchTextMax = kMostChars;
    wchar_t text[kMostChars + 1] = {};
    bool read = WriteProcessMemory(process, remote, &item, sizeof item, nullptr) != FALSE;
    if (read) {
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(remote));
        read = ReadProcessMemory(process, item.pszText, text, kMostChars * sizeof(wchar_t), nullptr) != FALSE;
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    if (!read)
        return 1;
    std::puts(orvanta::utf8Of(text).c_str());
    return 0;
}

int controlCommand(const std::string& command, int argc, char** argv)
{
    const std::optional<int> id = idOf(argv[3]);
    if (!id)
        return unknownName(argv[3]);
    HWND control = findControl(argv[2], *id);
    if (!control)
        return 1;
    if (command == "click") {
        PostMessageA(control, BM_CLICK, 0, 0);
    } else if (command == "command") {
        PostMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                     reinterpret_cast<LPARAM>(control));
    } else if (command == "settext") {
        SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]));
    } else if (command == "gettext") {
        // Another process's control keeps its text to itself: it must be asked.
        char text[256] = {};
        SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        std::puts(text);
    } else if (command == "select") {
        SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(std::atoi(argv[4])), 0);
    } else if (command == "listselect") {
        return selectListLine(control, std::atoi(argv[4]));
    } else if (command == "listcount") {
        const double seconds = argc > 4 ? std::atof(argv[4]) : 0;
        waitUntil(seconds, [&] { return listCount(control) > 0; });
        std::printf("%d\n", listCount(control));
    } else if (command == "listtext") {
        return printListText(control, std::atoi(argv[4]), std::atoi(argv[5]));
    } else if (command == "press") {
        postClickAt(control, std::atoi(argv[4]), std::atoi(argv[5]));
    }
    return 0;
}

HWND hiddenMainWindow()
{
    HWND hidden = nullptr;
    waitUntil(kDefaultSeconds, [&] { return (hidden = FindWindowA("Orvanta", nullptr)) != nullptr; });
    return hidden;
}

int tray(char** argv)
{
    const std::optional<int> command = idOf(argv[2]);
    if (!command)
        return unknownName(argv[2]);
    HWND hidden = hiddenMainWindow();
    if (!hidden)
        return 1;
    PostMessageA(hidden, WM_COMMAND, static_cast<WPARAM>(*command), 0);
    return 0;
}

// Wine sends no power notifications of its own.
int power(char** argv)
{
    const std::string event = argv[2];
    if (event != "suspend" && event != "resume")
        return unknownName(argv[2]);
    HWND hidden = hiddenMainWindow();
    if (!hidden)
        return 1;
    PostMessageA(hidden, WM_POWERBROADCAST, event == "suspend" ? PBT_APMSUSPEND : PBT_APMRESUMEAUTOMATIC, 0);
    return 0;
}

// Sent, as Windows sends them: the answer to the question is the program's.
int session(char** argv)
{
    const std::string event = argv[2];
    if (event != "query" && event != "closeapp")
        return unknownName(argv[2]);
    HWND hidden = hiddenMainWindow();
    if (!hidden)
        return 1;
    constexpr UINT kPatienceMs = 30000;
    DWORD_PTR answer = 0;
    const bool ask = event == "query";
    if (!SendMessageTimeoutA(hidden, ask ? WM_QUERYENDSESSION : WM_ENDSESSION, ask ? 0 : TRUE, ENDSESSION_CLOSEAPP,
                             SMTO_NORMAL, kPatienceMs, &answer))
        return 1;
    if (ask)
        std::printf("%s\n", answer ? "may end" : "may not end");
    return 0;
}

int foreground(char** argv)
{
    HWND window = findWindow(argv[2]);
    return window && SetForegroundWindow(window) ? 0 : 1;
}

// What the program sees in front when it is about to type: where a record
// went astray, this tells why.
int front()
{
    HWND window = GetForegroundWindow();
    if (!window) {
        std::puts("none");
        return 0;
    }
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    char focusClass[64] = "-";
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus)
        GetClassNameA(info.hwndFocus, focusClass, sizeof focusClass);
    std::printf("%s|%s|%d|%d|%s\n", className, captionOf(window).c_str(), IsWindowVisible(window) ? 1 : 0,
                IsIconic(window) ? 1 : 0, focusClass);
    return 0;
}

BOOL CALLBACK countTrayIcon(HWND child, LPARAM count)
{
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    if (std::strcmp(className, "__winex11_tray_icon") == 0)
        ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// Under a bare Xvfb, wine shows the icons in a window of its own, one
// child window for each.
int trayIcons()
{
    int count = 0;
    if (HWND tray = FindWindowA("__winex11_standalone_tray", nullptr))
        EnumChildWindows(tray, countTrayIcon, reinterpret_cast<LPARAM>(&count));
    std::printf("%d\n", count);
    return 0;
}

// A key tapped on the keyboard reaches the window in front, whichever
// process it belongs to; a toggle key (Caps Lock) changes its state for
// all of them.
int key(char** argv)
{
    const std::optional<int> virtualKey = idOf(argv[2]);
    if (!virtualKey || *virtualKey < 1 || *virtualKey > 254)
        return unknownName(argv[2]);
    INPUT taps[2] = {};
    for (INPUT& tap : taps) {
        tap.type = INPUT_KEYBOARD;
        tap.ki.wVk = static_cast<WORD>(*virtualKey);
        tap.ki.wScan = static_cast<WORD>(MapVirtualKeyW(static_cast<UINT>(*virtualKey), MAPVK_VK_TO_VSC));
    }
    taps[1].ki.dwFlags = KEYEVENTF_KEYUP;
    if (SendInput(2, taps, sizeof(INPUT)) != 2)
        return 1;
    Sleep(kPollMs);   // the key state follows once the input is taken in
    std::puts(GetKeyState(*virtualKey) & 1 ? "on" : "off");
    return 0;
}

bool fileExists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// As a spreadsheet holds the CSV file it shows: open for reading, others
// may read it too but not write it, until the user closes it.
int hold(int argc, char** argv)
{
    HANDLE file = CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("cannot open %s (error %lu)\n", argv[2], GetLastError());
        return 1;
    }
    if (argc > 4) {
        HANDLE ready = CreateFileA(argv[4], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (ready != INVALID_HANDLE_VALUE)
            CloseHandle(ready);
    }
    while (!fileExists(argv[3]))
        Sleep(kPollMs);
    CloseHandle(file);
    std::puts("let go");
    return 0;
}

bool argumentsFit(const std::string& command, int argc)
{
    const struct {
        const char* name;
        int arguments;
    } usage[] = {{"wait", 2},       {"click", 2},      {"command", 2},    {"settext", 3},    {"gettext", 2},
                 {"select", 3},     {"press", 4},      {"listselect", 3}, {"listcount", 2},  {"listtext", 4},
                 {"pickcell", 3},   {"messagebox", 0}, {"tray", 1},       {"foreground", 1}, {"power", 1},
                 {"session", 1},    {"front", 0},      {"key", 1},        {"hold", 2},
                 {"trayicons", 0}};
    for (const auto& entry : usage) {
        if (command == entry.name)
            return argc - 2 >= entry.arguments;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (!argumentsFit(command, argc)) {
        std::fputs("usage: ui_driver COMMAND ARGUMENTS (see the source)\n", stderr);
        return 2;
    }
    if (command == "wait")
        return wait(argc, argv);
    if (command == "messagebox")
        return messageBox(argc, argv);
    if (command == "pickcell")
        return pickCell(argv);
    if (command == "tray")
        return tray(argv);
    if (command == "foreground")
        return foreground(argv);
    if (command == "power")
        return power(argv);
    if (command == "session")
        return session(argv);
    if (command == "front")
        return front();
    if (command == "trayicons")
        return trayIcons();
    if (command == "key")
        return key(argv);
    if (command == "hold")
        return hold(argc, argv);
    return controlCommand(command, argc, argv);
}
