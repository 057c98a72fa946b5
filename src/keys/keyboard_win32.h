/*
 * The keyboard on Windows: SendInput, the layout functions, the key state,
 * the window in the foreground, and the watch on a record's keys.
 */
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <mutex>
#include <optional>

#include "keys/key_watch_win32.h"
#include "keys/keyboard.h"

namespace orvanta {

class Win32Keyboard final : public Keyboard {
public:
    KeysFate sendKeys(const KeyEvent* events, std::uint32_t count) override;
    void beginRecord(const ForegroundWindow& window) override;
    void endRecord() override;
    bool keysJudged() override { return watch_.watching(); }
    bool windowAnswers(WindowId window, std::uint32_t timeoutMs) override;
    std::int16_t scanChar(std::uint8_t character, KeyboardLayout layout) override;
    std::uint16_t scanCodeOf(std::uint8_t virtualKey, KeyboardLayout layout) override;
    bool isDeadKey(std::uint8_t virtualKey, KeyboardLayout layout) override;
    AnsiCharacter decodeAnsi(const std::uint8_t* bytes, std::uint32_t available) override;
    std::uint8_t capsLockState() override;
    bool modifiersHeld() override;
    ForegroundWindow foregroundWindow() override;
    bool othersKeysQuiet(std::uint32_t quietMs) override { return watch_.othersQuiet(quietMs); }
    // Whether the session takes keyboard input: not while the workstation
    // is locked or the session is disconnected. The lock screen of Windows
    // 10 and 11 can have a foreground window of its own, so the session's
    // notifications are believed over the window in front.
    void setSessionTakesInput(bool takesInput) { sessionTakesInput_ = takesInput; }

private:
    // The window in front is asked about before records, from the typing
    // worker, and before keep-online polls, from the engine's thread.
    // Whether it is the shell's and whether its process may be sent input
    // do not change while the same window of the same process stays there.
    struct WindowVerdict {
        HWND window = nullptr;
        DWORD processId = 0;
        bool isShell = false;
        bool inputBlocked = false;
    };
    WindowVerdict verdictFor(HWND window, DWORD processId);

    // What a layout gives each character and key, as looked up once: the
    // look-ups go through the keyboard driver, which under wine searches
    // its whole keymap for every character.
    struct LayoutKeys {
        std::optional<std::int16_t> scanned[256];
        std::optional<std::uint16_t> scanCodes[256];
        std::optional<bool> dead[256];
    };

    std::mutex layoutLock_;
    std::map<KeyboardLayout, LayoutKeys> layouts_;
    std::mutex verdictLock_;
    WindowVerdict verdict_;
    KeyWatch watch_;
    std::atomic<bool> sessionTakesInput_{true};
};

// The SendInput record of one key event.
INPUT toInput(const KeyEvent& event);

// Bytes of the character that starts with this byte in the given ANSI code
// page: more than one only for a lead byte of a multi-byte code page.
std::uint32_t ansiCharacterLength(UINT codePage, std::uint8_t firstByte);
// The character at bytes in that code page, of at most `available` bytes.
AnsiCharacter decodeAnsiIn(UINT codePage, const std::uint8_t* bytes, std::uint32_t available);

// Low byte of GetVersion(): the platform's major version.
int platformMajorVersion();

}  // namespace orvanta
