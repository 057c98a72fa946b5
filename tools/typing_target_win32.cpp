/*
 * Typing target for the end-to-end tests and the demo: a window with a
 * multi-line edit control that takes the foreground and the keyboard focus
 * and records, key by key, what reaches it, so a test can compare the typed
 * text byte for byte.
 *
 *   typing_target.exe TYPED [--events FILE] [--ready FILE] [--stop FILE]
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

struct Options {
    const char* typedPath = nullptr;
    const char* eventsPath = nullptr;
    const char* readyPath = nullptr;
    const char* stopPath = nullptr;
};

Options options;
HANDLE typedFile = INVALID_HANDLE_VALUE;
HANDLE eventsFile = INVALID_HANDLE_VALUE;
HWND mainWindow = nullptr;
HWND editControl = nullptr;
HWND caption = nullptr;
WNDPROC standardEditProc = nullptr;
bool readyWritten = false;

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

void markReadyOnceFocused()
{
    if (readyWritten)
        return;
    if (GetForegroundWindow() != mainWindow) {
        SetForegroundWindow(mainWindow);
        return;
    }
    if (GetFocus() != editControl) {
        SetFocus(editControl);
        return;
    }
    readyWritten = true;
    HANDLE ready = createOutput(options.readyPath);
    if (ready != INVALID_HANDLE_VALUE)
        CloseHandle(ready);
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
        else
            markReadyOnceFocused();
        return 0;
    case WM_DESTROY:
        KillTimer(window, kPollTimer);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
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
        else if (!options.typedPath && argv[i][0] != '-')
            options.typedPath = argv[i];
        else
            return false;
    }
    return options.typedPath != nullptr;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
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
    mainWindow = CreateWindowExA(0, windowClass.lpszClassName, "Typing target",
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 720, 420, nullptr, nullptr,
                                 instance, nullptr);
    if (!mainWindow)
        return 5;
    SetForegroundWindow(mainWindow);
    SetFocus(editControl);

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
