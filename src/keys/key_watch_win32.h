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
#include <optional>

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

    // Keys tagged from now on go to this window and thread only. False
    // when no hook could be installed: nothing is watched then.
    bool begin(HWND window);
    void end();
    bool watching() const { return watching_; }

    // The extra information of event `index` of the `count` events of one
    // character, which the hook knows the record's keys by, and the event
    // the hook reads back from it.
    std::uint32_t nextCharacter() { return ++character_ & kCharacterMask; }
    static ULONG_PTR tag(std::uint32_t character, std::uint32_t index, std::uint32_t count, bool keyUp);
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
    void runThread();
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
};

}  // namespace orvanta
