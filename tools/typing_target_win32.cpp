/*
 * Typing target for the end-to-end tests and the demo: a window with a
 * multi-line edit control that takes the foreground and the keyboard focus
 * and records, key by key, what reaches it, so a test can compare the typed
 * text byte for byte.
 *
 *   typing_target.exe TYPED [--events FILE] [--ready FILE] [--stop FILE] [--class NAME]
 *                           [--gap KIND,AFTER,SECONDS]... [--busy KIND,AFTER,SECONDS]...
 *                           [--hold VK,AFTERc,SECONDS]... [--press VK,AFTERc,COUNT]...
 *                           [--switch AFTERc]
 *
 * TYPED gets every WM_CHAR byte, written the moment it arrives, so nothing
 * is lost if the process is ended. The events file gets one line per
 * WM_KEYDOWN with its virtual key, scan code and extended flag ("keydown
 * 0x2D scan 0x52 ext" for Insert; 0xE7 for a Unicode character) and per focus
 * change ("setfocus", "killfocus"), which shows whether another window took
 * the foreground during a run. The ready file appears once the window is in
 * the foreground with the focus in its edit control; the window closes by
 * itself when the stop file appears (or on WM_CLOSE).
 *
 * A gap makes the window stop being one a program can type into, as a user's
 * window does: after AFTER records (carriage returns) or, as "12c", AFTER
 * characters have arrived, it hides itself (KIND hide), minimizes itself
 * (minimize) or is destroyed (away), and SECONDS later it is shown, restored
 * or made anew and takes the foreground and the focus again. The events file
 * gets "gap KIND begin chars N" and, once the window has the focus again,
 * "gap end chars N", N being the characters received so far, so a test sees
 * whether anything arrived in between. TYPED keeps every byte that reached
 * any of the windows.
 *
 * A busy application reacts to the line just entered: at the Enter that
 * makes AFTER records (or at every Enter, AFTER "every"), once that byte is
 * recorded, it drops the keyboard focus for SECONDS (KIND focus: SetFocus
 * to no window, the window staying in front and visible) or its thread
 * stops answering for SECONDS (KIND hang). The events file gets "busy KIND
 * begin chars N" and "busy end chars N".
 *
 * A hold is another program's hand on a modifier: once AFTER characters have
 * arrived, a thread of its own sends the key VK down, and SECONDS later up,
 * with SendInput, while the window goes on pumping its messages. The holds
 * take their turns in the order given. The events file gets "hold VK begin
 * chars N" and "hold end chars N". A press is the user's hand typing: once
 * AFTER characters have arrived, the same thread taps the key VK COUNT
 * times, 100 ms apart ("press VK begin chars N", "press end chars N"); it
 * takes its turn among the holds.
 *
 * A switch puts another window in front in the middle of the typing: once
 * AFTER characters have arrived, a second top-level window with an edit
 * control of its own takes the foreground and the focus ("switch begin
 * chars N", then "switch end chars N" once it has them). TYPED still gets
 * every byte in order; TYPED.first and TYPED.second get what reached each
 * window, so a test can tell them apart.
 *
 * The window class is the program's own choice: with --class the window
 * registers another (the shell's "Windows.UI.Core.CoreWindow", say) and,
 * run as a copy named as the shell's program, stands for a window of the
 * shell.
 *
 * Everything is ANSI on purpose: WM_CHAR then carries the byte as typed.
 */
#include <windows.h>

#include <atomic>
#include <initializer_list>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollMs = 50;
constexpr int kCaptionHeight = 28;
constexpr int kCaptionId = 1;
constexpr int kEditId = 2;
constexpr LPARAM kExtendedKeyBit = LPARAM{1} << 24;
// Posted, so that a gap or a switch begins outside the edit control's own
// message handling (a window that goes away destroys that control).
constexpr UINT kBeginGapMessage = WM_APP + 1;
constexpr UINT kSwitchMessage = WM_APP + 2;
constexpr int kMost = 64;

enum class GapKind { Hide, Minimize, Away };
enum class BusyKind { Focus, Hang };

struct Gap {
    GapKind kind = GapKind::Hide;
    unsigned long after = 0;
    bool afterCharacters = false;
    UINT milliseconds = 0;
};

struct Busy {
    BusyKind kind = BusyKind::Focus;
    unsigned long after = 0;    // 0: at every Enter
    UINT milliseconds = 0;
};

struct Hold {
    WORD key = 0;
    unsigned long after = 0;
    UINT milliseconds = 0;
    unsigned long taps = 0;   // a press: this many taps instead of a hold
};

constexpr UINT kPressGapMs = 100;

struct Options {
    const char* typedPath = nullptr;
    const char* eventsPath = nullptr;
    const char* readyPath = nullptr;
    const char* stopPath = nullptr;
    const char* windowClass = "OrvantaTypingTarget";
    Gap gaps[kMost];
    int gapCount = 0;
    Busy busies[kMost];
    int busyCount = 0;
    Hold holds[kMost];
    int holdCount = 0;
    unsigned long switchAfter = 0;
    bool switches = false;
};

Options options;
HANDLE typedFile = INVALID_HANDLE_VALUE;
HANDLE eventsFile = INVALID_HANDLE_VALUE;
HANDLE firstWindowFile = INVALID_HANDLE_VALUE;
HANDLE secondWindowFile = INVALID_HANDLE_VALUE;
CRITICAL_SECTION eventsLock;
HINSTANCE instance = nullptr;
HWND mainWindow = nullptr;
HWND editControl = nullptr;
HWND secondWindow = nullptr;
HWND frontWindow = nullptr;     // the window that is to be in front with the focus
WNDPROC standardEditProc = nullptr;
bool readyWritten = false;
bool claimingFocus = true;      // until frontWindow is in front with the focus in its edit control
const char* onceClaimed = nullptr;      // the event that says so, after a gap or a switch
// Read by the hold thread as well.
std::atomic<unsigned long> charactersTyped{0};
HANDLE characterArrived = nullptr;
unsigned long recordsTyped = 0;
int nextGap = 0;
bool inGap = false;
bool goingAway = false;         // the window is destroyed for a gap, not closed
bool busyBlocked[kMost] = {};   // a busy of a record count that has had its turn
bool switched = false;
const char* const kGapNames[] = {"hide", "minimize", "away"};
const char* const kBusyNames[] = {"focus", "hang"};

HANDLE createOutput(const char* path, const char* suffix = "")
{
    if (!path)
        return INVALID_HANDLE_VALUE;
    char name[MAX_PATH];
    if (std::snprintf(name, sizeof name, "%s%s", path, suffix) >= static_cast<int>(sizeof name))
        return INVALID_HANDLE_VALUE;
    return CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

void append(HANDLE file, const void* bytes, DWORD count)
{
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, bytes, count, &written, nullptr);
}

// The hold thread writes events too.
void appendEvent(const char* text)
{
    EnterCriticalSection(&eventsLock);
    append(eventsFile, text, static_cast<DWORD>(std::strlen(text)));
    LeaveCriticalSection(&eventsLock);
}

void appendCountedEvent(const char* text)
{
    char line[64];
    std::snprintf(line, sizeof line, "%s chars %lu\n", text, charactersTyped.load());
    appendEvent(line);
}

void CALLBACK endBusyFocus(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    // A gap that began meanwhile gives the focus back itself when it ends,
    // and after a switch the focus belongs to the second window.
    if (!inGap && editControl && frontWindow == mainWindow)
        SetFocus(editControl);
    appendCountedEvent("busy end");
}

// After the Enter has gone into the edit control, as an application reacts
// to a line once it has it.
void actBusy(const Busy& busy)
{
    char text[32];
    std::snprintf(text, sizeof text, "busy %s begin", kBusyNames[static_cast<int>(busy.kind)]);
    appendCountedEvent(text);
    if (busy.kind == BusyKind::Hang) {
        Sleep(busy.milliseconds);
        appendCountedEvent("busy end");
        return;
    }
    SetFocus(nullptr);
    SetTimer(nullptr, 0, busy.milliseconds, endBusyFocus);
}

const Busy* busyAtThisEnter()
{
    for (int i = 0; i < options.busyCount; ++i) {
        if (options.busies[i].after == 0)
            return &options.busies[i];
        if (!busyBlocked[i] && options.busies[i].after == recordsTyped) {
            busyBlocked[i] = true;
            return &options.busies[i];
        }
    }
    return nullptr;
}

// Records before the edit control acts, so a character it rejects is
// still seen as typed.
LRESULT CALLBACK recordingEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    char line[64];
    switch (message) {
    case WM_CHAR: {
        const unsigned char byte = static_cast<unsigned char>(wParam & 0xFF);
        append(typedFile, &byte, 1);
        if (options.switches)
            append(window == editControl ? firstWindowFile : secondWindowFile, &byte, 1);
        const unsigned long count = ++charactersTyped;
        if (byte == '\r')
            ++recordsTyped;
        SetEvent(characterArrived);
        if (options.switches && !switched && count >= options.switchAfter) {
            switched = true;
            PostMessageA(mainWindow, kSwitchMessage, 0, 0);
        }
        if (!inGap && nextGap < options.gapCount) {
            const Gap& gap = options.gaps[nextGap];
            if ((gap.afterCharacters ? count : recordsTyped) >= gap.after) {
                inGap = true;
                PostMessageA(mainWindow, kBeginGapMessage, 0, 0);
            }
        }
        if (byte != '\r')
            break;
        const LRESULT result = CallWindowProcA(standardEditProc, window, message, wParam, lParam);
        if (const Busy* busy = busyAtThisEnter())
            actBusy(*busy);
        return result;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        std::snprintf(line, sizeof line, "keydown 0x%02X scan 0x%02X%s\n", static_cast<unsigned>(wParam & 0xFF),
                      static_cast<unsigned>((lParam >> 16) & 0xFF), (lParam & kExtendedKeyBit) ? " ext" : "");
        appendEvent(line);
        break;
    case WM_SETFOCUS:
        appendEvent("setfocus\n");
        break;
    case WM_KILLFOCUS:
        appendEvent("killfocus\n");
        break;
    }
    return CallWindowProcA(standardEditProc, window, message, wParam, lParam);
}

void sendKey(WORD key, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

// Its own thread, so that the window keeps pumping while the key is down,
// as it does while a user holds one.
DWORD WINAPI holdKeys(void*)
{
    for (int i = 0; i < options.holdCount; ++i) {
        const Hold& hold = options.holds[i];
        while (charactersTyped.load() < hold.after)
            WaitForSingleObject(characterArrived, INFINITE);
        char text[32];
        std::snprintf(text, sizeof text, "%s 0x%02X begin", hold.taps ? "press" : "hold", hold.key);
        appendCountedEvent(text);
        for (unsigned long tap = 0; tap < hold.taps; ++tap) {
            sendKey(hold.key, false);
            sendKey(hold.key, true);
            Sleep(kPressGapMs);
        }
        if (!hold.taps) {
            sendKey(hold.key, false);
            Sleep(hold.milliseconds);
            sendKey(hold.key, true);
        }
        appendCountedEvent(hold.taps ? "press end" : "hold end");
    }
    return 0;
}

bool fileExists(const char* path)
{
    return path && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Without a window manager a window is not brought forward by being shown:
// it asks again at every poll until it is in front and has the focus.
void claimFocus()
{
    HWND edit = GetDlgItem(frontWindow, kEditId);
    if (GetForegroundWindow() != frontWindow) {
        SetForegroundWindow(frontWindow);
        return;
    }
    if (GetFocus() != edit) {
        SetFocus(edit);
        return;
    }
    claimingFocus = false;
    if (onceClaimed) {
        appendCountedEvent(onceClaimed);
        onceClaimed = nullptr;
        return;
    }
    if (readyWritten)
        return;
    readyWritten = true;
    HANDLE ready = createOutput(options.readyPath);
    if (ready != INVALID_HANDLE_VALUE)
        CloseHandle(ready);
}

HWND createMainWindow(const char* title, int offset);

void CALLBACK endGap(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    const GapKind kind = options.gaps[nextGap].kind;
    ++nextGap;
    inGap = false;
    if (kind == GapKind::Away) {
        mainWindow = createMainWindow("Typing target", 0);
        editControl = GetDlgItem(mainWindow, kEditId);
        frontWindow = mainWindow;
    }
    else
        ShowWindow(mainWindow, kind == GapKind::Hide ? SW_SHOW : SW_RESTORE);
    claimingFocus = true;
    onceClaimed = "gap end";
    claimFocus();
}

void beginGap()
{
    const Gap& gap = options.gaps[nextGap];
    char text[32];
    std::snprintf(text, sizeof text, "gap %s begin", kGapNames[static_cast<int>(gap.kind)]);
    appendCountedEvent(text);
    claimingFocus = false;
    switch (gap.kind) {
    case GapKind::Hide:
        ShowWindow(mainWindow, SW_HIDE);
        break;
    case GapKind::Minimize:
        ShowWindow(mainWindow, SW_MINIMIZE);
        break;
    case GapKind::Away:
        goingAway = true;
        DestroyWindow(mainWindow);
        goingAway = false;
        mainWindow = editControl = frontWindow = nullptr;
        break;
    }
    SetTimer(nullptr, 0, gap.milliseconds, endGap);
}

void beginSwitch()
{
    appendCountedEvent("switch begin");
    secondWindow = createMainWindow("Second window", 60);
    frontWindow = secondWindow;
    claimingFocus = true;
    onceClaimed = "switch end";
    claimFocus();
}

// Without a window manager there is no title bar: the caption inside the
// window says what a screenshot shows.
void createCaption(HWND parent)
{
    HWND caption = CreateWindowExA(0, "STATIC", "  Typing target: keys typed by Orvanta appear below",
                                   WS_CHILD | WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE, 0, 0, 0, 0, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCaptionId)), instance, nullptr);
    SendMessageA(caption, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
}

void createEditControl(HWND parent)
{
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL,
                                0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)),
                                instance, nullptr);
    SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);
    HFONT font = CreateFontA(-18, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier New");
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    standardEditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(recordingEditProc)));
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        createCaption(window);
        createEditControl(window);
        SetTimer(window, kPollTimer, kPollMs, nullptr);
        return 0;
    case WM_SIZE:
        MoveWindow(GetDlgItem(window, kCaptionId), 0, 0, LOWORD(lParam), kCaptionHeight, TRUE);
        MoveWindow(GetDlgItem(window, kEditId), 0, kCaptionHeight, LOWORD(lParam), HIWORD(lParam) - kCaptionHeight,
                   TRUE);
        return 0;
    case WM_SETFOCUS:
        SetFocus(GetDlgItem(window, kEditId));
        return 0;
    case WM_TIMER:
        if (fileExists(options.stopPath))
            DestroyWindow(window);
        else if (claimingFocus && window == frontWindow)
            claimFocus();
        return 0;
    case kBeginGapMessage:
        beginGap();
        return 0;
    case kSwitchMessage:
        beginSwitch();
        return 0;
    case WM_DESTROY:
        KillTimer(window, kPollTimer);
        if (!goingAway)
            PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool parseSeconds(const char* text, UINT* milliseconds)
{
    char* end = nullptr;
    const double seconds = std::strtod(text, &end);
    if (end == text || *end != '\0' || seconds <= 0)
        return false;
    *milliseconds = static_cast<UINT>(seconds * 1000);
    return true;
}

// "AFTER[c],SECONDS"; *afterCharacters tells whether the count had the c.
bool parseCountAndSeconds(const char* text, unsigned long* after, bool* afterCharacters, UINT* milliseconds)
{
    char* end = nullptr;
    *after = std::strtoul(text, &end, 10);
    if (end == text)
        return false;
    *afterCharacters = *end == 'c';
    if (*afterCharacters)
        ++end;
    return *end == ',' && parseSeconds(end + 1, milliseconds);
}

// The index among names of the word before the first comma, or -1.
int parseKind(const char* text, const char* const* names, int count)
{
    const char* comma = std::strchr(text, ',');
    if (!comma)
        return -1;
    const std::size_t length = static_cast<std::size_t>(comma - text);
    for (int kind = 0; kind < count; ++kind) {
        if (std::strlen(names[kind]) == length && std::strncmp(text, names[kind], length) == 0)
            return kind;
    }
    return -1;
}

// The option values as the usage says.
bool parseGap(const char* text)
{
    const int kind = parseKind(text, kGapNames, 3);
    if (options.gapCount == kMost || kind < 0)
        return false;
    Gap& gap = options.gaps[options.gapCount];
    gap.kind = static_cast<GapKind>(kind);
    if (!parseCountAndSeconds(std::strchr(text, ',') + 1, &gap.after, &gap.afterCharacters, &gap.milliseconds))
        return false;
    ++options.gapCount;
    return true;
}

bool parseBusy(const char* text)
{
    const int kind = parseKind(text, kBusyNames, 2);
    if (options.busyCount == kMost || kind < 0)
        return false;
    Busy& busy = options.busies[options.busyCount];
    busy.kind = static_cast<BusyKind>(kind);
    const char* after = std::strchr(text, ',') + 1;
    bool characters = false;
    const bool valid = std::strncmp(after, "every,", 6) == 0
                           ? parseSeconds(after + 6, &busy.milliseconds)
                           : parseCountAndSeconds(after, &busy.after, &characters, &busy.milliseconds)
                                 && !characters && busy.after > 0;
    if (valid)
        ++options.busyCount;
    return valid;
}

// The key both a hold and a press begin with ("VK,"): the next slot with
// that key, and what follows the comma; nullptr when there is no room or
// no key.
Hold* parseHoldKey(const char* text, const char** rest)
{
    if (options.holdCount == kMost)
        return nullptr;
    char* end = nullptr;
    const unsigned long key = std::strtoul(text, &end, 10);
    if (end == text || *end != ',' || key == 0 || key > 254)
        return nullptr;
    Hold& hold = options.holds[options.holdCount];
    hold.key = static_cast<WORD>(key);
    *rest = end + 1;
    return &hold;
}

// VK,AFTERc,SECONDS
bool parseHold(const char* text)
{
    const char* rest = nullptr;
    Hold* hold = parseHoldKey(text, &rest);
    bool characters = false;
    if (!hold || !parseCountAndSeconds(rest, &hold->after, &characters, &hold->milliseconds) || !characters)
        return false;
    ++options.holdCount;
    return true;
}

// VK,AFTERc,COUNT
bool parsePress(const char* text)
{
    const char* after = nullptr;
    Hold* press = parseHoldKey(text, &after);
    if (!press)
        return false;
    char* end = nullptr;
    press->after = std::strtoul(after, &end, 10);
    if (end == after || end[0] != 'c' || end[1] != ',')
        return false;
    const char* count = end + 2;
    press->taps = std::strtoul(count, &end, 10);
    if (end == count || *end != '\0' || press->taps == 0)
        return false;
    ++options.holdCount;
    return true;
}

bool parseSwitch(const char* text)
{
    char* end = nullptr;
    options.switchAfter = std::strtoul(text, &end, 10);
    options.switches = end != text && end[0] == 'c' && end[1] == '\0';
    return options.switches;
}

bool parseArguments(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--events") == 0 && hasValue)
            options.eventsPath = argv[++i];
        else if (std::strcmp(argv[i], "--ready") == 0 && hasValue)
            options.readyPath = argv[++i];
        else if (std::strcmp(argv[i], "--stop") == 0 && hasValue)
            options.stopPath = argv[++i];
        else if (std::strcmp(argv[i], "--class") == 0 && hasValue)
            options.windowClass = argv[++i];
        else if (std::strcmp(argv[i], "--gap") == 0 && hasValue) {
            if (!parseGap(argv[++i]))
                return false;
        }
        else if (std::strcmp(argv[i], "--busy") == 0 && hasValue) {
            if (!parseBusy(argv[++i]))
                return false;
        }
        else if (std::strcmp(argv[i], "--hold") == 0 && hasValue) {
            if (!parseHold(argv[++i]))
                return false;
        }
        else if (std::strcmp(argv[i], "--press") == 0 && hasValue) {
            if (!parsePress(argv[++i]))
                return false;
        }
        else if (std::strcmp(argv[i], "--switch") == 0 && hasValue) {
            if (!parseSwitch(argv[++i]))
                return false;
        }
        else if (!options.typedPath && argv[i][0] != '-')
            options.typedPath = argv[i];
        else
            return false;
    }
    return options.typedPath != nullptr;
}

HWND createMainWindow(const char* title, int offset)
{
    HWND window = CreateWindowExA(0, options.windowClass, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40 + offset,
                                  40 + offset, 720, 420, nullptr, nullptr, instance, nullptr);
    if (window) {
        SetForegroundWindow(window);
        SetFocus(GetDlgItem(window, kEditId));
    }
    return window;
}

}  // namespace

int WINAPI WinMain(HINSTANCE thisInstance, HINSTANCE, LPSTR, int)
{
    instance = thisInstance;
    if (!parseArguments(__argc, __argv))
        return 2;
    typedFile = createOutput(options.typedPath);
    if (typedFile == INVALID_HANDLE_VALUE)
        return 3;
    eventsFile = createOutput(options.eventsPath);
    if (options.switches) {
        firstWindowFile = createOutput(options.typedPath, ".first");
        secondWindowFile = createOutput(options.typedPath, ".second");
    }
    InitializeCriticalSection(&eventsLock);
    characterArrived = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (options.holdCount > 0) {
        HANDLE holder = CreateThread(nullptr, 0, holdKeys, nullptr, 0, nullptr);
        if (!holder)
            return 6;
        CloseHandle(holder);
    }

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = options.windowClass;
    if (!RegisterClassA(&windowClass))
        return 4;
    mainWindow = frontWindow = createMainWindow("Typing target", 0);
    if (!mainWindow)
        return 5;
    editControl = GetDlgItem(mainWindow, kEditId);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    // The hold thread may still be waiting for characters: ExitProcess
    // ends it.
    CloseHandle(typedFile);
    for (HANDLE file : {eventsFile, firstWindowFile, secondWindowFile}) {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    return 0;
}
