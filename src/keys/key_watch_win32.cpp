/*
 * The low-level keyboard hook that watches a record's keys.
 *
 * Windows calls the hook for every key event about to be posted to a
 * thread's input queue, on the thread that installed it, and SendInput
 * returns only once the hook has had each of its events (wine does the
 * same), so the verdict on a character is there when SendInput returns.
 * The hook is installed for the length of one record only: between
 * records nobody's keys pass through this process.
 *
 * Windows puts the events of one SendInput call into the input stream back
 * to back; wine does not, and a key of somebody else's can come between
 * them. So the hook follows the modifiers that go down and up while it is
 * installed, from every key that is not a record's, starting from the key
 * state as it is installed; a modifier down at a character's first event,
 * or going down among its events, holds it back.
 */
#include "keys/key_watch_win32.h"

namespace orvanta {
namespace {

constexpr UINT kInstallMessage = WM_APP + 1;
constexpr UINT kRemoveMessage = WM_APP + 2;
constexpr DWORD kStartWaitMs = 1000;
constexpr ULONG_PTR kTagMark = ULONG_PTR{0x4F5256} << 40;   // "ORV"
constexpr ULONG_PTR kTagMarkMask = ULONG_PTR{0xFFFFFF} << 40;
constexpr ULONG_PTR kTagUpBit = 0x80;
constexpr SHORT kKeyIsDown = static_cast<SHORT>(0x8000);
constexpr std::uint64_t kNothingPublished = ~std::uint64_t{0};

// The hook procedure has no context of its own; the program has one watch.
std::atomic<KeyWatch*> activeWatch{nullptr};

bool isRecordKey(ULONG_PTR extraInfo)
{
    return (extraInfo & kTagMarkMask) == kTagMark;
}

}  // namespace

KeyWatch::~KeyWatch()
{
    if (!thread_)
        return;
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    WaitForSingleObject(thread_, kStartWaitMs);
    activeWatch = nullptr;
    CloseHandle(thread_);
    CloseHandle(ready_);
    CloseHandle(decided_);
}

// The event's own up flag travels in the tag: wine reports the up of a
// Unicode character (VK_PACKET) to the hook without LLKHF_UP.
ULONG_PTR KeyWatch::tag(std::uint32_t character, std::uint32_t index, std::uint32_t count, bool keyUp)
{
    return kTagMark | (ULONG_PTR{character & kCharacterMask} << 16) | (ULONG_PTR{index & 0xFF} << 8)
           | (keyUp ? kTagUpBit : 0) | (count & 0x7F);
}

RecordKeyEvent KeyWatch::recordEventOf(const KBDLLHOOKSTRUCT& key)
{
    const ULONG_PTR tag = key.dwExtraInfo;
    return RecordKeyEvent{static_cast<std::uint32_t>((tag >> 16) & kCharacterMask),
                          static_cast<std::uint32_t>((tag >> 8) & 0xFF), static_cast<std::uint32_t>(tag & 0x7F),
                          (key.vkCode << 16) | (key.scanCode & 0xFFFF), (tag & kTagUpBit) != 0,
                          isModifierKey(key.vkCode)};
}

bool KeyWatch::begin(HWND window)
{
    watching_ = false;
    if (!startThread())
        return false;
    window_ = window;
    ResetEvent(ready_);
    if (!PostThreadMessageW(threadId_, kInstallMessage, 0, 0) || WaitForSingleObject(ready_, kStartWaitMs) != 0)
        return false;
    watching_ = installed_;
    return watching_;
}

void KeyWatch::end()
{
    watching_ = false;
    if (thread_)
        PostThreadMessageW(threadId_, kRemoveMessage, 0, 0);
}

std::optional<KeysFate> KeyWatch::verdict(std::uint32_t character, DWORD waitMs)
{
    const ULONGLONG giveUpAt = GetTickCount64() + waitMs;
    for (;;) {
        const std::uint64_t seen = published_;
        if (seen != kNothingPublished && (seen >> 8) == character)
            return static_cast<KeysFate>(seen & 0xFF);
        const ULONGLONG now = GetTickCount64();
        if (now >= giveUpAt)
            break;
        WaitForSingleObject(decided_, static_cast<DWORD>(giveUpAt - now));
    }
    watching_ = false;
    return std::nullopt;
}

bool KeyWatch::startThread()
{
    if (thread_)
        return true;
    ready_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    decided_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!ready_ || !decided_)
        return false;
    activeWatch = this;
    thread_ = CreateThread(nullptr, 0, threadMain, this, 0, &threadId_);
    if (!thread_)
        return false;
    // Windows drops a hook that keeps the input waiting: this thread must
    // get the processor whenever a key comes.
    SetThreadPriority(thread_, THREAD_PRIORITY_HIGHEST);
    return WaitForSingleObject(ready_, kStartWaitMs) == 0;
}

DWORD WINAPI KeyWatch::threadMain(void* watch)
{
    static_cast<KeyWatch*>(watch)->runThread();
    return 0;
}

// The hook runs inside GetMessage, so this loop is all the thread does.
void KeyWatch::runThread()
{
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);   // the queue, before anyone posts to it
    SetEvent(ready_);
    auto remove = [this] {
        if (hook_)
            UnhookWindowsHookEx(hook_);
        hook_ = nullptr;
        installed_ = false;
    };
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == kInstallMessage) {
            remove();
            // Installed first: a key that goes down or up meanwhile is
            // then seen by the hook as well as by the look.
            hook_ = SetWindowsHookExW(WH_KEYBOARD_LL, onKey, GetModuleHandleW(nullptr), 0);
            judge_.reset(modifiersDownNow());
            installed_ = hook_ != nullptr;
            SetEvent(ready_);
        } else if (message.message == kRemoveMessage) {
            remove();
        }
    }
    remove();
}

LRESULT CALLBACK KeyWatch::onKey(int code, WPARAM message, LPARAM info)
{
    if (code == HC_ACTION) {
        const auto& key = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(info);
        KeyWatch* watch = activeWatch;
        if (watch && isRecordKey(key.dwExtraInfo) && !watch->passes(key))
            return 1;
        if (watch && !isRecordKey(key.dwExtraInfo))
            watch->judge_.othersKey(key.vkCode,
                                    (key.flags & LLKHF_UP) != 0 || message == WM_KEYUP || message == WM_SYSKEYUP);
    }
    return CallNextHookEx(nullptr, code, message, info);
}

// Whether one event of a record goes on to its window.
bool KeyWatch::passes(const KBDLLHOOKSTRUCT& key)
{
    const RecordKeyEvent event = recordEventOf(key);
    const RecordKeyJudge::Decision decision = judge_.judge(event, *this);
    if (decision.characterFate)
        publish(event.character, *decision.characterFate);
    return decision.goesOn;
}

bool modifierKeyDown()
{
    return modifiersDownNow() != 0;
}

std::uint32_t modifiersDownNow()
{
    std::uint32_t down = 0;
    for (int key : {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU, VK_LWIN, VK_RWIN}) {
        if (GetAsyncKeyState(key) & kKeyIsDown)
            down |= modifierBit(static_cast<std::uint32_t>(key));
    }
    return down;
}

// The test the typing side makes before each key where nothing watches,
// in two calls, as it runs for every key the record sends: the active
// window of the foreground thread is the window in front, and a window
// hidden (under wine a closed one stays in front) or minimized takes keys
// as system keys only.
bool KeyWatch::windowKeepsFocus()
{
    GUITHREADINFO front{};
    front.cbSize = sizeof front;
    if (!GetGUIThreadInfo(0, &front) || !front.hwndActive || front.hwndActive != window_.load() || !front.hwndFocus)
        return false;
    const LONG style = GetWindowLongW(front.hwndActive, GWL_STYLE);
    return (style & WS_VISIBLE) && !(style & WS_MINIMIZE);
}

void KeyWatch::publish(std::uint32_t character, KeysFate fate)
{
    published_ = (std::uint64_t{character} << 8) | static_cast<std::uint8_t>(fate);
    SetEvent(decided_);
}

}  // namespace orvanta
