/*
 * Typing target for the end-to-end tests and the demo: a window with a
 * multi-line edit control that takes the foreground and the keyboard focus
 * and records, key by key, what reaches it, so a test can compare the typed
 * text byte for byte.
 *
 *   typing_target.exe TYPED [--events FILE] [--ready FILE] [--stop FILE]
 *                           [--gap KIND,AFTER,SECONDS]...
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
 * Everything is ANSI on purpose: WM_CHAR then carries the byte as typed.
 */
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollMs = 50;
constexpr int kCaptionHeight = 28;
constexpr LPARAM kExtendedKeyBit = LPARAM{1} << 24;
// Posted, so that a gap begins outside the edit control's own message
// handling (a window that goes away destroys that control).
constexpr UINT kBeginGapMessage = WM_APP + 1;
constexpr int kMostGaps = 64;

enum class GapKind { Hide, Minimize, Away };

struct Gap {
    GapKind kind = GapKind::Hide;
    unsigned long after = 0;
    bool afterCharacters = false;
    UINT milliseconds = 0;
};

struct Options {
    const char* typedPath = nullptr;
    const char* eventsPath = nullptr;
    const char* readyPath = nullptr;
    const char* stopPath = nullptr;
    Gap gaps[kMostGaps];
    int gapCount = 0;
};

Options options;
HANDLE typedFile = INVALID_HANDLE_VALUE;
HANDLE eventsFile = INVALID_HANDLE_VALUE;
HINSTANCE instance = nullptr;
HWND mainWindow = nullptr;
HWND editControl = nullptr;
HWND caption = nullptr;
WNDPROC standardEditProc = nullptr;
bool readyWritten = false;
bool claimingFocus = true;      // until the window is in front with the focus in its edit control
unsigned long charactersTyped = 0;
unsigned long recordsTyped = 0;
int nextGap = 0;
bool inGap = false;
bool goingAway = false;         // the window is destroyed for a gap, not closed
const char* const kGapNames[] = {"hide", "minimize", "away"};

HANDLE createOutput(const char* path)
{
    if (!path)
        return INVALID_HANDLE_VALUE;
    return CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

void append(HANDLE file, const void* bytes, DWORD count)
{
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, bytes, count, &written, nullptr);
}

void appendEvent(const char* text)
{
    append(eventsFile, text, static_cast<DWORD>(std::strlen(text)));
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
        ++charactersTyped;
        if (byte == '\r')
            ++recordsTyped;
        if (!inGap && nextGap < options.gapCount) {
            const Gap& gap = options.gaps[nextGap];
            if ((gap.afterCharacters ? charactersTyped : recordsTyped) >= gap.after) {
                inGap = true;
                PostMessageA(mainWindow, kBeginGapMessage, 0, 0);
            }
        }
        break;
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

bool fileExists(const char* path)
{
    return path && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

void appendCountedEvent(const char* text)
{
    char line[64];
    std::snprintf(line, sizeof line, "%s chars %lu\n", text, charactersTyped);
    appendEvent(line);
}

// Without a window manager a window is not brought forward by being shown:
// it asks again at every poll until it is in front and has the focus.
void claimFocus()
{
    if (GetForegroundWindow() != mainWindow) {
        SetForegroundWindow(mainWindow);
        return;
    }
    if (GetFocus() != editControl) {
        SetFocus(editControl);
        return;
    }
    claimingFocus = false;
    if (readyWritten) {
        appendCountedEvent("gap end");
        return;
    }
    readyWritten = true;
    HANDLE ready = createOutput(options.readyPath);
    if (ready != INVALID_HANDLE_VALUE)
        CloseHandle(ready);
}

HWND createMainWindow();

void CALLBACK endGap(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    const GapKind kind = options.gaps[nextGap].kind;
    ++nextGap;
    inGap = false;
    if (kind == GapKind::Away)
        mainWindow = createMainWindow();
    else
        ShowWindow(mainWindow, kind == GapKind::Hide ? SW_SHOW : SW_RESTORE);
    claimingFocus = true;
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
        mainWindow = editControl = caption = nullptr;
        break;
    }
    SetTimer(nullptr, 0, gap.milliseconds, endGap);
}

// Without a window manager there is no title bar: the caption inside the
// window says what a screenshot shows.
void createCaption(HWND parent)
{
    caption = CreateWindowExA(0, "STATIC", "  Typing target: keys typed by Orvanta appear below",
                              WS_CHILD | WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE, 0, 0, 0, 0, parent, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    SendMessageA(caption, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
}

void createEditControl(HWND parent)
{
    editControl = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN
                                      | ES_AUTOVSCROLL,
                                  0, 0, 0, 0, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(editControl, EM_SETLIMITTEXT, 0, 0);
    HFONT font = CreateFontA(-18, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier New");
    SendMessageA(editControl, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    standardEditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(editControl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(recordingEditProc)));
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
        MoveWindow(caption, 0, 0, LOWORD(lParam), kCaptionHeight, TRUE);
        MoveWindow(editControl, 0, kCaptionHeight, LOWORD(lParam), HIWORD(lParam) - kCaptionHeight, TRUE);
        return 0;
    case WM_SETFOCUS:
        SetFocus(editControl);
        return 0;
    case WM_TIMER:
        if (fileExists(options.stopPath))
            DestroyWindow(window);
        else if (claimingFocus)
            claimFocus();
        return 0;
    case kBeginGapMessage:
        beginGap();
        return 0;
    case WM_DESTROY:
        KillTimer(window, kPollTimer);
        if (!goingAway)
            PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// KIND,AFTER,SECONDS as the usage says.
bool parseGap(const char* text)
{
    if (options.gapCount == kMostGaps)
        return false;
    Gap& gap = options.gaps[options.gapCount];
    const char* comma = std::strchr(text, ',');
    if (!comma)
        return false;
    const std::size_t kindLength = static_cast<std::size_t>(comma - text);
    int kind = 0;
    while (kind < 3 && !(std::strlen(kGapNames[kind]) == kindLength &&
                         std::strncmp(text, kGapNames[kind], kindLength) == 0))
        ++kind;
    if (kind == 3)
        return false;
    gap.kind = static_cast<GapKind>(kind);
    char* end = nullptr;
    gap.after = std::strtoul(comma + 1, &end, 10);
    gap.afterCharacters = *end == 'c';
    if (gap.afterCharacters)
        ++end;
    if (*end != ',')
        return false;
    const double seconds = std::strtod(end + 1, &end);
    if (*end != '\0' || seconds <= 0)
        return false;
    gap.milliseconds = static_cast<UINT>(seconds * 1000);
    ++options.gapCount;
    return true;
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
        else if (std::strcmp(argv[i], "--gap") == 0 && hasValue) {
            if (!parseGap(argv[++i]))
                return false;
        }
        else if (!options.typedPath && argv[i][0] != '-')
            options.typedPath = argv[i];
        else
            return false;
    }
    return options.typedPath != nullptr;
}

HWND createMainWindow()
{
    HWND window = CreateWindowExA(0, "OrvantaTypingTarget", "Typing target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                                  40, 720, 420, nullptr, nullptr, instance, nullptr);
    if (window) {
        SetForegroundWindow(window);
        SetFocus(editControl);
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

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "OrvantaTypingTarget";
    if (!RegisterClassA(&windowClass))
        return 4;
    mainWindow = createMainWindow();
    if (!mainWindow)
        return 5;

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    CloseHandle(typedFile);
    if (eventsFile != INVALID_HANDLE_VALUE)
        CloseHandle(eventsFile);
    return 0;
}
