/*
 * The keyboard on Windows.
 *
 * Keys go in with SendInput, all events of one byte in one call: the
 * platform puts them into the input stream back to back, so a key the user
 * presses cannot come between a modifier and its key. Each event names its
 * virtual key and the scan code the layout gives it, with the extended flag
 * where the key has one (Insert is not Numpad 0 to a program that reads
 * scan codes). Characters without a key of their own go in as Unicode.
 *
 * SendInput reports the events it took; input that User Interface
 * Privilege Isolation blocks is dropped without a word, which is why a
 * window of a process at a higher integrity level is no record window.
 * While a record is typed, its keys carry a tag the key watch knows them
 * by, and the watch says what became of them.
 */
#include "keys/keyboard_win32.h"

#include <initializer_list>

#include "keys/foreground.h"
#include "keys/key_sequence.h"
#include "platform/program_name_win32.h"
#include "platform/text_win32.h"

namespace orvanta {
namespace {

constexpr UINT kDeadKeyFlag = 0x80000000u;
// SendInput returns once the hook has had every event; a verdict that has
// not come by then only comes late, from a hook that is being dropped.
constexpr DWORD kVerdictWaitMs = 50;

// 0 when it cannot be read.
DWORD integrityLevelOf(HANDLE process)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return 0;
    alignas(TOKEN_MANDATORY_LABEL) BYTE buffer[64 + SECURITY_MAX_SID_SIZE] = {};
    DWORD size = 0;
    DWORD level = 0;
    if (GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof buffer, &size)) {
        PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
        const UCHAR count = *GetSidSubAuthorityCount(sid);
        if (count > 0)
            level = *GetSidSubAuthority(sid, count - 1u);
    }
    CloseHandle(token);
    return level;
}

// Ours does not change while the program runs: it is read once.
DWORD ownIntegrityLevel()
{
    static const DWORD level = integrityLevelOf(GetCurrentProcess());
    return level;
}

// Where the levels cannot be read, the window counts as reachable.
bool runsAtHigherIntegrity(DWORD processId)
{
    const DWORD ours = ownIntegrityLevel();
    if (ours == 0)
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return false;
    const DWORD theirs = integrityLevelOf(process);
    CloseHandle(process);
    return theirs > ours;
}

// The longest name a window class can have.
constexpr int kLongestClassName = 256;

// The class as the window was registered with it, and the program of its
// process: read once for each window that comes to the front (verdictFor).
bool isShellWindowOf(HWND window, DWORD processId)
{
    if (window == GetDesktopWindow() || window == GetShellWindow())
        return true;
    wchar_t className[kLongestClassName + 1] = {};
    const int length = GetClassNameW(window, className, kLongestClassName + 1);
    const std::string windowClass = utf8Of({className, static_cast<std::size_t>(length > 0 ? length : 0)});
    return isShellWindow(windowClass, programNameOf(processId));
}

// Where the thread cannot be asked (it has just ended), the window counts
// as having the focus: the other checks still apply.
bool hasFocusedWindow(DWORD thread)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(thread, &info))
        return true;
    return info.hwndFocus != nullptr;
}

std::uint32_t utf8SequenceLength(std::uint8_t firstByte)
{
    if ((firstByte & 0xE0) == 0xC0)
        return 2;
    if ((firstByte & 0xF0) == 0xE0)
        return 3;
    if ((firstByte & 0xF8) == 0xF0)
        return 4;
    return 1;
}

}  // namespace

INPUT toInput(const KeyEvent& event)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    KEYBDINPUT& key = input.ki;
    if (event.unicode) {
        key.wScan = event.character;
        key.dwFlags = KEYEVENTF_UNICODE;
    } else {
        key.wVk = event.virtualKey;
        key.wScan = event.scanCode;
        key.dwFlags = event.extended ? KEYEVENTF_EXTENDEDKEY : 0;
    }
    if (event.keyUp)
        key.dwFlags |= KEYEVENTF_KEYUP;
    return input;
}

KeysFate Win32Keyboard::sendKeys(const KeyEvent* events, std::uint32_t count)
{
    INPUT inputs[kMaxKeyEvents];
    if (count > kMaxKeyEvents)
        count = kMaxKeyEvents;
    const bool watched = watch_.watching();
    const std::uint32_t character = watched ? watch_.nextCharacter() : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        inputs[i] = toInput(events[i]);
        inputs[i].ki.dwExtraInfo = watched ? KeyWatch::tag(character, i, count, events[i].keyUp) : KeyWatch::ownTag();
    }
    if (SendInput(count, inputs, sizeof(INPUT)) != count)
        return KeysFate::Refused;
    if (!watched)
        return KeysFate::WentIn;
    return watch_.verdict(character, kVerdictWaitMs).value_or(KeysFate::WentIn);
}

void Win32Keyboard::beginRecord(const ForegroundWindow& window)
{
    watch_.begin(reinterpret_cast<HWND>(window.id));
}

void Win32Keyboard::endRecord()
{
    watch_.end();
}

// WM_NULL does nothing; the answer only says that the window's thread
// takes messages again. A thread that has not for a while counts as hung
// and is not waited for at all.
bool Win32Keyboard::windowAnswers(WindowId window, std::uint32_t timeoutMs)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(reinterpret_cast<HWND>(window), WM_NULL, 0, 0,
                               SMTO_BLOCK | SMTO_ABORTIFHUNG | SMTO_ERRORONEXIT, timeoutMs, &result) != 0;
}

// A layout's keys do not change while the program runs: each is looked up
// once, by the typing worker (the lock is for any other thread).
namespace {

template <typename Value, typename LookUp>
Value lookedUpOnce(std::optional<Value>& known, LookUp lookUp)
{
    if (!known)
        known = lookUp();
    return *known;
}

}  // namespace

std::int16_t Win32Keyboard::scanChar(std::uint8_t character, KeyboardLayout layout)
{
    const std::lock_guard<std::mutex> hold(layoutLock_);
    return lookedUpOnce(layouts_[layout].scanned[character], [&] {
        return VkKeyScanExA(static_cast<CHAR>(character), reinterpret_cast<HKL>(layout));
    });
}

std::uint16_t Win32Keyboard::scanCodeOf(std::uint8_t virtualKey, KeyboardLayout layout)
{
    const std::lock_guard<std::mutex> hold(layoutLock_);
    return lookedUpOnce(layouts_[layout].scanCodes[virtualKey], [&] {
        const UINT scan = MapVirtualKeyExA(virtualKey, MAPVK_VK_TO_VSC, reinterpret_cast<HKL>(layout));
        return static_cast<std::uint16_t>(scan & 0xFF);
    });
}

bool Win32Keyboard::isDeadKey(std::uint8_t virtualKey, KeyboardLayout layout)
{
    const std::lock_guard<std::mutex> hold(layoutLock_);
    return lookedUpOnce(layouts_[layout].dead[virtualKey], [&] {
        return (MapVirtualKeyExA(virtualKey, MAPVK_VK_TO_CHAR, reinterpret_cast<HKL>(layout)) & kDeadKeyFlag) != 0;
    });
}

std::uint32_t ansiCharacterLength(UINT codePage, std::uint8_t firstByte)
{
    if (codePage == CP_UTF8)
        return utf8SequenceLength(firstByte);
    return IsDBCSLeadByteEx(codePage, firstByte) ? 2 : 1;
}

// A lead byte whose second byte is missing or cannot follow it, and a
// UTF-8 sequence that is cut short, overlong or names a surrogate, are no
// character: MB_ERR_INVALID_CHARS makes the conversion fail on them
// instead of swallowing the byte after the lead byte.
AnsiCharacter decodeAnsiIn(UINT codePage, const std::uint8_t* bytes, std::uint32_t available)
{
    AnsiCharacter character;
    const std::uint32_t length = ansiCharacterLength(codePage, bytes[0]);
    WCHAR units[2] = {};
    const int count = length > available ? 0
                                          : MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS,
                                                                reinterpret_cast<const char*>(bytes),
                                                                static_cast<int>(length), units, 2);
    if (count <= 0) {
        character.valid = false;
        return character;
    }
    character.length = static_cast<std::uint8_t>(length);
    character.unitCount = static_cast<std::uint8_t>(count);
    character.units[0] = units[0];
    character.units[1] = units[1];
    return character;
}

// VkKeyScanExA converts from the ANSI code page, so the Unicode fallback
// does the same.
AnsiCharacter Win32Keyboard::decodeAnsi(const std::uint8_t* bytes, std::uint32_t available)
{
    return decodeAnsiIn(GetACP(), bytes, available);
}

std::uint8_t Win32Keyboard::capsLockState()
{
    return static_cast<std::uint8_t>(GetKeyState(VK_CAPITAL) & 0xFF);
}

bool Win32Keyboard::modifiersHeld()
{
    return modifierKeyDown();
}

// No foreground window at all while the workstation is locked or a secure
// desktop (a UAC prompt) is shown. A window that is hidden (under wine a
// closed window stays in front, hidden, while its process ends), minimized
// or without a focused control gets keys as system keys, not characters.
ForegroundWindow Win32Keyboard::foregroundWindow()
{
    ForegroundWindow found;
    HWND window = GetForegroundWindow();
    if (!window || !sessionTakesInput_)
        return found;
    found.exists = true;
    found.id = reinterpret_cast<WindowId>(window);
    DWORD processId = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &processId);
    found.thread = thread;
    const WindowVerdict verdict = verdictFor(window, processId);
    found.isShell = verdict.isShell;
    found.ownProcess = processId == GetCurrentProcessId();
    found.inputBlocked = !found.ownProcess && verdict.inputBlocked;
    found.hidden = !IsWindowVisible(window);
    found.minimized = IsIconic(window) != FALSE;
    found.noFocus = !hasFocusedWindow(thread);
    found.hung = IsHungAppWindow(window) != FALSE;
    HKL layout = GetKeyboardLayout(thread);
    found.layout = reinterpret_cast<KeyboardLayout>(layout ? layout : GetKeyboardLayout(0));
    return found;
}

Win32Keyboard::WindowVerdict Win32Keyboard::verdictFor(HWND window, DWORD processId)
{
    std::lock_guard<std::mutex> hold(verdictLock_);
    if (window != verdict_.window || processId != verdict_.processId)
        verdict_ = WindowVerdict{window, processId, isShellWindowOf(window, processId),
                                 runsAtHigherIntegrity(processId)};
    return verdict_;
}

int platformMajorVersion()
{
    return static_cast<int>(GetVersion() & 0xFF);
}

}  // namespace orvanta
