/*
 * A keyboard that records every key event and answers layout look-ups
 * from tables. It models Caps Lock in both ways Windows can be set up
 * (the Caps Lock key toggles it, or only Shift releases it), the window in
 * front, and a look at Caps Lock that comes too early after a tap,
 * modifiers the user holds, a window busy for a while, a platform
 * that refuses input, what the watch on a record's keys reports, and the
 * ANSI code pages 1252, 932 and 65001.
 */
#pragma once

#include <array>
#include <deque>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "fakes/event_log.h"
#include "keys/keyboard.h"

namespace orvanta::fakes {

using LayoutTable = std::array<std::int16_t, 256>;
using ScanCodeTable = std::array<std::uint16_t, 256>;

constexpr KeyboardLayout kUsLayout = 0x04090409;
constexpr KeyboardLayout kGermanLayout = 0x04070407;

LayoutTable usLayoutTable();
LayoutTable germanLayoutTable();

// A window of another program, in front and ready for keys.
constexpr ForegroundWindow kUserWindow{true, false, false, false, kUsLayout};

class FakeKeyboard final : public Keyboard {
public:
    explicit FakeKeyboard(EventLog& log);

    KeysFate sendKeys(const KeyEvent* events, std::uint32_t count) override;
    void beginRecord(const ForegroundWindow& window) override { watched.push_back(window.id); }
    void endRecord() override { ++recordsEnded; }
    bool keysJudged() override { return judges; }
    bool windowAnswers(WindowId window, std::uint32_t timeoutMs) override;
    std::int16_t scanChar(std::uint8_t character, KeyboardLayout layout) override;
    std::uint16_t scanCodeOf(std::uint8_t virtualKey, KeyboardLayout layout) override;
    bool isDeadKey(std::uint8_t virtualKey, KeyboardLayout layout) override;
    AnsiCharacter decodeAnsi(const std::uint8_t* bytes, std::uint32_t available) override;
    std::uint8_t capsLockState() override;
    bool modifiersHeld() override;
    ForegroundWindow foregroundWindow() override;
    bool othersKeysQuiet(std::uint32_t quietMs) override;


    bool capsLockOn = false;
    bool shiftReleasesCapsLock = false;
    bool capsLockSeenLate = false;        // a look sees a change only once a pause came after it
    ForegroundWindow foreground = kUserWindow;
    std::map<KeyboardLayout, LayoutTable> layouts;
    std::map<KeyboardLayout, std::set<std::uint8_t>> deadKeys;
    std::vector<KeyEvent> sent;           // every event taken, with its scan code
    std::vector<std::uint32_t> batches;   // the events of each sendKeys call
    int heldModifierLooks = 0;            // modifiersHeld says yes this many times
    int hungLooks = 0;                    // the window in front does not answer this many looks
    int busyLooks = 0;                    // the window in front does not answer this many looks
    int answersAsked = 0;                 // windowAnswers calls
    int busyKeyboardLooks = 0;            // somebody else types for this many looks
    int eventsAccepted = -1;              // refuses every event after this many (-1: none)
    std::deque<KeysFate> watchSays;       // what the watch reports for the next sendKeys calls
    bool judges = false;                  // the watch judges every key: no look before each
    std::vector<WindowId> watched;        // the window of every record begun
    int recordsEnded = 0;
    unsigned codePage = 1252;             // 1252, 932 or 65001
    std::function<void()> afterKeys;      // called after every sendKeys (the user acts)

private:
    void apply(const KeyEvent& event);
    EventLog& log_;
    struct CapsChange {
        std::size_t at;   // in the log
        bool before;
    };
    std::vector<CapsChange> capsChanges_;
};

}  // namespace orvanta::fakes
