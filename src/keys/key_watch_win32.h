/*
 * Watches the keys of a record at the moment Windows hands each one on to
 * a window, through a low-level keyboard hook on a thread of its own.
 *
 * A look at the window and the modifiers before a key is sent can be out
 * of date by the time the key goes in: the user may press Ctrl, or another
 * window may come to the front, in between. The hook sees the key when it
 * goes in, with the window in front at that moment and the user's keys
 * before it, and swallows it where it must not go in, as the record key
 * judge decides.
 *
 * The keys of somebody else's (the user's hand, another program) that come
 * while a record is typed are swallowed and kept, and go to the window in
 * front after the record's last key, in their order: none comes inside a
 * record, none is lost. The hook stays a while after a record, so that it
 * knows when the keyboard was last used: the next record starts only once
 * it has been quiet for a moment.
 *
 * Windows skips a hook that answers too slowly and, since Windows 7,
 * removes it without a word. The thread does nothing but answer the hook,
 * and a character whose keys the hook did not see tells that it is gone:
 * the rest of the record is judged by the looks before each key, and the
 * next record installs the hook anew.
 */
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "keys/keyboard.h"
#include "keys/record_key_judge.h"

namespace orvanta {

// Whether Shift, Ctrl, Alt or a Windows key is down (GetAsyncKeyState).
bool modifierKeyDown();
// The modifiers down now, as the record key judge's bits.
std::uint32_t modifiersDownNow();

class KeyWatch final : private KeyMoment {
public:
    KeyWatch() = default;
    ~KeyWatch();
    KeyWatch(const KeyWatch&) = delete;
    KeyWatch& operator=(const KeyWatch&) = delete;

    // Keys tagged from now on go to this window and thread only, and the
    // keys of somebody else's wait. False when no hook could be installed:
    // nothing is watched or held then.
    bool begin(HWND window);
    // The keys that waited go to the window in front, in their order.
    void end();
    bool watching() const { return watching_; }
    // Whether no key of somebody else's is down and none has gone for
    // quietMs. Installs the hook where it is not, knowing from the system
    // only when any input came last and which keys are down.
    bool othersQuiet(std::uint32_t quietMs);

    // The extra information of event `index` of the `count` events of one
    // character, which the hook knows the record's keys by, and the event
    // the hook reads back from it.
    std::uint32_t nextCharacter() { return ++character_ & kCharacterMask; }
    static ULONG_PTR tag(std::uint32_t character, std::uint32_t index, std::uint32_t count, bool keyUp);
    // The extra information of this program's keys outside a record.
    static ULONG_PTR ownTag();
    static RecordKeyEvent recordEventOf(const KBDLLHOOKSTRUCT& key);
    // What the hook made of the character's keys; none when it did not see
    // them within waitMs (it is gone): the rest of the record is then not
    // watched.
    std::optional<KeysFate> verdict(std::uint32_t character, DWORD waitMs);

private:
    static constexpr std::uint32_t kCharacterMask = 0xFFFFFF;

    static DWORD WINAPI threadMain(void* watch);
    static LRESULT CALLBACK onKey(int code, WPARAM message, LPARAM info);
    bool startThread();
    bool ask(UINT message);
    void runThread();
    void install(bool anew);
    void removeHook();
    void noteOthersKey(const KBDLLHOOKSTRUCT& key, bool keyUp);
    bool holdBack(const KBDLLHOOKSTRUCT& key, bool keyUp);
    void giveHeldKeys();
    bool passes(const KBDLLHOOKSTRUCT& key);
    bool windowKeepsFocus() override;
    void publish(std::uint32_t character, KeysFate fate);

    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
    HANDLE ready_ = nullptr;     // the thread has its queue; a hook was installed or not
    HANDLE decided_ = nullptr;   // a character's verdict was published
    HHOOK hook_ = nullptr;       // written on the hook thread only
    std::atomic<bool> installed_{false};
    bool watching_ = false;
    std::uint32_t character_ = 0;

    // The record's window, read by the hook.
    std::atomic<HWND> window_{nullptr};
    RecordKeyJudge judge_;   // on the hook thread only
    // character << 8 | fate, or ~0 for none yet.
    std::atomic<std::uint64_t> published_{~std::uint64_t{0}};

    // Somebody else's keys: when one came last (GetTickCount64), and which
    // are down (on the hook thread only) and how many.
    std::atomic<std::uint64_t> othersKeyAtMs_{0};
    bool othersDown_[256] = {};
    std::atomic<int> othersDownCount_{0};
    // The keys that wait while a record is typed.
    std::mutex heldLock_;
    std::vector<INPUT> held_;
    bool heldDown_[256] = {};    // keys whose down waits: their up waits too
    bool holding_ = false;
    bool recordOpen_ = false;    // on the hook thread only
    UINT_PTR idleTimer_ = 0;     // on the hook thread only
};

}  // namespace orvanta
