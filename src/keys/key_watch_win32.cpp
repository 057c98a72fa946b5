/*
 * The low-level keyboard hook that watches a record's keys.
 *
 * Windows calls the hook for every key event about to be posted to a
 * thread's input queue, on the thread that installed it, and SendInput
 * returns only once the hook has had each of its events (wine does the
 * same), so the verdict on a character is there when SendInput returns.
 * The hook is installed from the look before a record until a few seconds
 * after the last one of a run of records: then nobody's keys pass through
 * this process. Of somebody else's keys it keeps, between records, only
 * when one came last and which are down.
 *
 * Windows puts the events of one SendInput call into the input stream back
 * to back; wine does not, and a key of somebody else's can come between
 * them. So the hook follows the modifiers that go down and up while it is
 * installed, from every key that is not a record's, starting from the key
 * state as it is installed; a modifier down at a character's first event,
 * or going down among its events, holds it back.
 */
#include "keys/key_watch_win32.h"

#include <algorithm>

namespace orvanta {
namespace {

constexpr UINT kBeginMessage = WM_APP + 1;   // a record begins: the hook anew, somebody else's keys wait
constexpr UINT kArmMessage = WM_APP + 2;     // the hook, where it is not
constexpr UINT kEndMessage = WM_APP + 3;     // the record has ended
constexpr DWORD kStartWaitMs = 1000;
// How long the hook stays after a record, for the next one to know when
// the keyboard was last used.
constexpr UINT kHookStaysMs = 5000;
// A key seen down for this long without any key since counts as up: its
// up may have gone by before the hook was there.
constexpr std::uint64_t kStuckKeyMs = 5000;
constexpr ULONG_PTR kTagMark = ULONG_PTR{0x4F5256} << 40;      // "ORV": a record's key
constexpr ULONG_PTR kReplayMark = ULONG_PTR{0x4F5252} << 40;   // "ORR": a key of somebody else's given on
constexpr ULONG_PTR kOwnMark = ULONG_PTR{0x4F524F} << 40;      // "ORO": this program's, outside a record
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

bool isGivenOn(ULONG_PTR extraInfo)
{
    return (extraInfo & kTagMarkMask) == kReplayMark;
}

bool isOwnKey(ULONG_PTR extraInfo)
{
    return (extraInfo & kTagMarkMask) == kOwnMark;
}

// The keys a low-level hook names: not the mouse's buttons, nor Shift,
// Ctrl and Alt without their side, which it reports as the left or right.
bool isHookKey(int key)
{
    return key != VK_LBUTTON && key != VK_RBUTTON && key != VK_MBUTTON && key != VK_XBUTTON1 && key != VK_XBUTTON2
           && key != VK_SHIFT && key != VK_CONTROL && key != VK_MENU && key != VK_CANCEL;
}

// The same key again, for SendInput, marked as given on.
INPUT givenOnInput(const KBDLLHOOKSTRUCT& key, bool keyUp)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    if (key.vkCode == VK_PACKET) {
        input.ki.wScan = static_cast<WORD>(key.scanCode);
        input.ki.dwFlags = KEYEVENTF_UNICODE;
    } else {
        input.ki.wVk = static_cast<WORD>(key.vkCode);
        input.ki.wScan = static_cast<WORD>(key.scanCode);
        input.ki.dwFlags = (key.flags & LLKHF_EXTENDED) ? KEYEVENTF_EXTENDEDKEY : 0;
    }
    if (keyUp)
        input.ki.dwFlags |= KEYEVENTF_KEYUP;
    input.ki.dwExtraInfo = kReplayMark;
    return input;
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

ULONG_PTR KeyWatch::ownTag()
{
    return kOwnMark;
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
    window_ = window;
    if (!ask(kBeginMessage))
        return false;
    watching_ = installed_;
    if (watching_) {
        const std::lock_guard hold(heldLock_);
        holding_ = true;
    }
    return watching_;
}

void KeyWatch::end()
{
    watching_ = false;
    giveHeldKeys();
    if (thread_)
        PostThreadMessageW(threadId_, kEndMessage, 0, 0);
}

// A key that goes meanwhile waits behind those given on: the holding ends
// only once none is left.
void KeyWatch::giveHeldKeys()
{
    for (;;) {
        std::vector<INPUT> keys;
        {
            const std::lock_guard hold(heldLock_);
            if (held_.empty()) {
                holding_ = false;
                return;
            }
            keys.swap(held_);
        }
        SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
    }
}

// Without a hook nothing is known of the keyboard, and nothing would wait
// either: the look says quiet.
bool KeyWatch::othersQuiet(std::uint32_t quietMs)
{
    if (!installed_ && (!ask(kArmMessage) || !installed_))
        return true;
    const std::uint64_t since = GetTickCount64() - othersKeyAtMs_;
    return (othersDownCount_ <= 0 || since >= kStuckKeyMs) && since >= quietMs;
}

// Asks the hook's thread and waits until it has done it.
bool KeyWatch::ask(UINT message)
{
    if (!startThread())
        return false;
    ResetEvent(ready_);
    return PostThreadMessageW(threadId_, message, 0, 0) && WaitForSingleObject(ready_, kStartWaitMs) == 0;
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

// The hook runs inside GetMessage, so this loop is all the thread does. A
// record installs the hook anew: Windows may have removed it unseen.
void KeyWatch::runThread()
{
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);   // the queue, before anyone posts to it
    SetEvent(ready_);
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == kBeginMessage) {
            install(true);
            judge_.reset(modifiersDownNow());
            recordOpen_ = true;
            SetEvent(ready_);
        } else if (message.message == kArmMessage) {
            install(false);
            SetEvent(ready_);
        } else if (message.message == kEndMessage) {
            recordOpen_ = false;
            idleTimer_ = SetTimer(nullptr, idleTimer_, kHookStaysMs, nullptr);
        } else if (message.message == WM_TIMER && message.wParam == idleTimer_) {
            KillTimer(nullptr, idleTimer_);
            idleTimer_ = 0;
            if (!recordOpen_)
                removeHook();
        }
    }
    removeHook();
}

void KeyWatch::removeHook()
{
    if (hook_)
        UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
    installed_ = false;
}

// Installed first: a key that goes down or up meanwhile is then seen by
// the hook as well as by the look. A hook installed afresh knows of the
// time before it what the system knows: when any input came last (a mouse
// move as well, so the first record may wait a little more than needed)
// and which keys are down.
void KeyWatch::install(bool anew)
{
    const bool fresh = !hook_;
    if (anew)
        removeHook();
    if (!hook_)
        hook_ = SetWindowsHookExW(WH_KEYBOARD_LL, onKey, GetModuleHandleW(nullptr), 0);
    installed_ = hook_ != nullptr;
    if (!fresh)
        return;
    LASTINPUTINFO last{};
    last.cbSize = sizeof last;
    const std::uint64_t now = GetTickCount64();
    const std::uint64_t age = GetLastInputInfo(&last) ? GetTickCount() - last.dwTime : 0;
    othersKeyAtMs_ = now - std::min(age, now);
    int down = 0;
    for (int key = 1; key < 256; ++key) {
        othersDown_[key] = isHookKey(key) && (GetAsyncKeyState(key) & kKeyIsDown);
        down += othersDown_[key] ? 1 : 0;
    }
    othersDownCount_ = down;
}

LRESULT CALLBACK KeyWatch::onKey(int code, WPARAM message, LPARAM info)
{
    KeyWatch* watch = activeWatch;
    if (code != HC_ACTION || !watch)
        return CallNextHookEx(nullptr, code, message, info);
    const auto& key = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(info);
    if (isRecordKey(key.dwExtraInfo))
        return watch->passes(key) ? CallNextHookEx(nullptr, code, message, info) : 1;
    if (isOwnKey(key.dwExtraInfo))   // Caps Lock switched off or on: nobody else's
        return CallNextHookEx(nullptr, code, message, info);
    const bool keyUp = (key.flags & LLKHF_UP) != 0 || message == WM_KEYUP || message == WM_SYSKEYUP;
    watch->noteOthersKey(key, keyUp);
    if (!isGivenOn(key.dwExtraInfo) && watch->holdBack(key, keyUp))
        return 1;
    watch->judge_.othersKey(key.vkCode, keyUp);
    return CallNextHookEx(nullptr, code, message, info);
}

void KeyWatch::noteOthersKey(const KBDLLHOOKSTRUCT& key, bool keyUp)
{
    othersKeyAtMs_ = GetTickCount64();
    bool& down = othersDown_[key.vkCode & 0xFF];
    if (down == !keyUp)
        return;
    down = !keyUp;
    othersDownCount_ += keyUp ? -1 : 1;
}

// The up of a key that went down before the record goes on at once, as
// its down did: the window must not see it held the whole record.
bool KeyWatch::holdBack(const KBDLLHOOKSTRUCT& key, bool keyUp)
{
    const std::lock_guard hold(heldLock_);
    bool& heldDown = heldDown_[key.vkCode & 0xFF];
    if (!holding_ || (keyUp && !heldDown))
        return false;
    heldDown = !keyUp;
    held_.push_back(givenOnInput(key, keyUp));
    return true;
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
