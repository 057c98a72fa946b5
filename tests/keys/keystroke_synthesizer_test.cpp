#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_keyboard.h"
#include "keys/foreground.h"
#include "keys/key_gaps.h"
#include "keys/keystroke_synthesizer.h"

namespace orvanta {
namespace {

namespace Vk = VirtualKey;

using fakes::down;
using fakes::EventLog;
using fakes::pause;
using fakes::tap;
using fakes::up;

struct TypingBench {
    EventLog log;
    fakes::FakeKeyboard keyboard{log};
    fakes::FakeClock clock{log};
    Settings settings{};
    TypingState typing;
    int platformMajorVersion = 6;
    KeystrokeSynthesizer synthesizer{keyboard, clock, settings, typing, platformMajorVersion};

    TypingBench()
    {
        applyDefaults(settings);
        typing.keyboardLayout = fakes::kUsLayout;
    }

    bool type(const std::string& text)
    {
        return synthesizer.typeBytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                     static_cast<std::int32_t>(text.size()));
    }
};

// Builds an expected sequence from a compact description. Modifiers go up
// in the order they went down (the platform's AltGr order: Ctrl, then Alt).
struct Expect {
    EventLog events;
    Expect& tapKey(int key) { tap(events, key); return *this; }
    Expect& with(std::vector<int> modifiers, int key)
    {
        for (int modifier : modifiers)
            events.push_back(down(modifier));
        tapKey(key);
        for (int modifier : modifiers)
            events.push_back(up(modifier));
        return *this;
    }
    Expect& with(int modifier, int key) { return with(std::vector<int>{modifier}, key); }
    // Shift goes down first and up last; the others go up in press order.
    Expect& shiftWith(std::vector<int> inner, int key)
    {
        events.push_back(down(Vk::Shift));
        with(inner, key);
        events.push_back(up(Vk::Shift));
        return *this;
    }
    Expect& unicode(int unit) { fakes::typeUnit(events, unit); return *this; }
    Expect& wait(int ms) { events.push_back(pause(ms)); return *this; }
    // Looks, kModifierPollMs apart, for a modifier to come up.
    Expect& idles(int count)
    {
        events.insert(events.end(), static_cast<std::size_t>(count), fakes::idle(kModifierPollMs));
        return *this;
    }
};

struct TypingCase {
    const char* name;
    std::string bytes;
    KeyboardLayout layout;
    int platformMajorVersion;
    EventLog expected;
};

TEST(KeystrokeSynthesizer, TypesEachByteAsTheLayoutAndVersionRequire)
{
    const KeyboardLayout us = fakes::kUsLayout, de = fakes::kGermanLayout;
    const TypingCase cases[] = {
        {"lower and upper case", "aB", us, 6, Expect{}.tapKey('A').wait(2).with(Vk::Shift, 'B').wait(2).events},
        {"enter needs no look-up", "\r", us, 6, Expect{}.tapKey(Vk::Return).wait(2).events},
        {"bytes 0 and 10 only pause", std::string("\0\n", 2), us, 6, Expect{}.wait(2).wait(2).events},
        {"escape is the Escape key, not Ctrl+[", "\x1b", us, 6, Expect{}.tapKey(Vk::Escape).wait(2).events},
        {"28 to 31 and 127 are the characters, not Ctrl chords", "\x1c\x1f\x7f", us, 6,
         Expect{}.unicode(0x1C).wait(2).unicode(0x1F).wait(2).unicode(0x7F).wait(2).events},
        {"no key in the layout: typed as Unicode", "\xA7", us, 6, Expect{}.unicode(0xA7).wait(2).events},
        {"converted from the code page", "\x80", us, 6, Expect{}.unicode(0x20AC).wait(2).events},
        {"a letter on a key of its own", "\xE4", de, 6, Expect{}.tapKey(0xDE).wait(2).events},
        {"a dead key would put its accent on the next letter", "^a", de, 6,
         Expect{}.unicode('^').wait(2).tapKey('A').wait(2).events},
        {"dead keys with and without Shift", "\xB4`", de, 6, Expect{}.unicode(0xB4).wait(2).unicode('`').wait(2).events},
        {"AltGr on version 5 uses right Alt", "@", de, 5, Expect{}.with(Vk::RMenu, 'Q').wait(2).events},
        {"AltGr on version 4 uses Ctrl+Alt", "{", de, 4, Expect{}.with({Vk::Control, Vk::Menu}, '7').wait(2).events},
        {"AltGr on version 6 uses Ctrl+Alt", "\\", de, 6, Expect{}.with({Vk::Control, Vk::Menu}, 0xDB).wait(2).events},
        {"AltGr on version 10 uses Ctrl+Alt", "\x80", de, 10, Expect{}.with({Vk::Control, Vk::Menu}, 'E').wait(2).events},
        {"AltGr on version 3 taps the key alone", "@", de, 3, Expect{}.tapKey('Q').wait(2).events},
    };
    for (const TypingCase& c : cases) {
        TypingBench bench;
        bench.typing.keyboardLayout = c.layout;
        bench.platformMajorVersion = c.platformMajorVersion;
        EXPECT_TRUE(bench.type(c.bytes)) << c.name;
        EXPECT_EQ(bench.log, c.expected) << c.name;
    }
}

struct ShiftStateCase {
    int state;
    int platformMajorVersion;
    EventLog expected;
};

// Every modifier the shift state names is pressed; a state with a bit this
// program cannot press types the character itself.
TEST(KeystrokeSynthesizer, PressesEveryModifierOfTheShiftState)
{
    const ShiftStateCase cases[] = {
        {0, 6, Expect{}.tapKey(0x33).events},
        {1, 6, Expect{}.with(Vk::Shift, 0x33).events},
        {2, 6, Expect{}.with(Vk::Control, 0x33).events},
        {3, 6, Expect{}.shiftWith({Vk::Control}, 0x33).events},
        {4, 6, Expect{}.with(Vk::Menu, 0x33).events},
        {5, 6, Expect{}.shiftWith({Vk::Menu}, 0x33).events},
        {7, 6, Expect{}.shiftWith({Vk::Control, Vk::Menu}, 0x33).events},
        {7, 5, Expect{}.shiftWith({Vk::RMenu}, 0x33).events},
        {7, 3, Expect{}.with(Vk::Shift, 0x33).events},
        {8, 6, Expect{}.unicode('#').events},
    };
    for (const ShiftStateCase& c : cases) {
        TypingBench bench;
        bench.platformMajorVersion = c.platformMajorVersion;
        bench.keyboard.layouts[fakes::kUsLayout]['#'] = static_cast<std::int16_t>((c.state << 8) | 0x33);
        EXPECT_TRUE(bench.type("#"));
        EXPECT_EQ(bench.log, Expect{c.expected}.wait(2).events)
            << "shift state " << c.state << ", version " << c.platformMajorVersion;
    }
}

struct ScanCodeCase {
    const char* name;
    std::string bytes;
    KeyboardLayout layout;
    int platformMajorVersion;
    std::vector<KeyEvent> expected;
    std::vector<std::uint32_t> batches;
};

KeyEvent keyDown(std::uint8_t vk, std::uint16_t scan, bool extended = false)
{
    return KeyEvent{vk, scan, 0, false, extended, false};
}

KeyEvent keyUp(std::uint8_t vk, std::uint16_t scan, bool extended = false)
{
    return KeyEvent{vk, scan, 0, true, extended, false};
}

KeyEvent unicodeEvent(std::uint16_t unit, bool keyUp)
{
    return KeyEvent{0, 0, unit, keyUp, false, true};
}

// What a program that reads scan codes sees, and that the events of one
// byte reach the platform in one piece.
TEST(KeystrokeSynthesizer, EveryEventCarriesItsScanCodeAndEachByteGoesInOnePiece)
{
    const KeyboardLayout us = fakes::kUsLayout, de = fakes::kGermanLayout;
    const ScanCodeCase cases[] = {
        {"a letter", "a", us, 6, {keyDown('A', 0x1E), keyUp('A', 0x1E)}, {2}},
        {"Shift and its key", "B", us, 6,
         {keyDown(Vk::Shift, 0x2A), keyDown('B', 0x30), keyUp('B', 0x30), keyUp(Vk::Shift, 0x2A)}, {4}},
        {"Insert is extended (not Numpad 0)", "\x01", us, 6,
         {keyDown(Vk::Insert, 0x52, true), keyUp(Vk::Insert, 0x52, true)}, {2}},
        {"arrows and Page Down are extended", "\x05\x0e", us, 6,
         {keyDown(Vk::Up, 0x48, true), keyUp(Vk::Up, 0x48, true), keyDown(Vk::Next, 0x51, true),
          keyUp(Vk::Next, 0x51, true)}, {2, 2}},
        {"right Alt is extended", "@", de, 5,
         {keyDown(Vk::RMenu, 0x38, true), keyDown('Q', 0x10), keyUp('Q', 0x10), keyUp(Vk::RMenu, 0x38, true)}, {4}},
        {"AltGr as Ctrl+Alt in one piece", "@", de, 6,
         {keyDown(Vk::Control, 0x1D), keyDown(Vk::Menu, 0x38), keyDown('Q', 0x10), keyUp('Q', 0x10),
          keyUp(Vk::Control, 0x1D), keyUp(Vk::Menu, 0x38)}, {6}},
        {"the layout gives the scan code", "yz", de, 6,
         {keyDown('Y', 0x2C), keyUp('Y', 0x2C), keyDown('Z', 0x15), keyUp('Z', 0x15)}, {2, 2}},
        {"Unicode events name no key", "\xA7", us, 6, {unicodeEvent(0xA7, false), unicodeEvent(0xA7, true)}, {2}},
        {"bytes 0 and 10 send nothing", std::string("\0\n", 2), us, 6, {}, {}},
    };
    for (const ScanCodeCase& c : cases) {
        TypingBench bench;
        bench.typing.keyboardLayout = c.layout;
        bench.platformMajorVersion = c.platformMajorVersion;
        EXPECT_TRUE(bench.type(c.bytes)) << c.name;
        EXPECT_EQ(bench.keyboard.sent, c.expected) << c.name;
        EXPECT_EQ(bench.keyboard.batches, c.batches) << c.name;
    }
}

struct CodePageCase {
    unsigned codePage;
    std::string bytes;
    EventLog expected;
};

// The bytes are one text of the ANSI code page: a character of several
// bytes is typed once, and a byte that begins no character there types
// the replacement character without taking the byte after it.
TEST(KeystrokeSynthesizer, ReadsTheBytesAsOneTextOfTheAnsiCodePage)
{
    const int bad = kReplacementCharacter;
    const CodePageCase cases[] = {
        {1252, "\x80\xE9", Expect{}.unicode(0x20AC).wait(2).unicode(0xE9).wait(2).events},
        {932, "a\x82\xA0" "b", Expect{}.tapKey('A').wait(2).unicode(0x82A0).wait(2).wait(2).tapKey('B').wait(2).events},
        {932, "\xB1", Expect{}.unicode(0xFF71).wait(2).events},
        {932, "XY\xE9", Expect{}.with(Vk::Shift, 'X').wait(2).with(Vk::Shift, 'Y').wait(2).unicode(bad).wait(2).events},
        {932, "\x82 a", Expect{}.unicode(bad).wait(2).tapKey(' ').wait(2).tapKey('A').wait(2).events},
        {932, "\xA0", Expect{}.unicode(bad).wait(2).events},
        {65001, "\xE2\x82\xAC", Expect{}.unicode(0x20AC).wait(2).wait(2).wait(2).events},
        {65001, "\xE2\x82" "a", Expect{}.unicode(bad).wait(2).unicode(bad).wait(2).tapKey('A').wait(2).events},
        {65001, "\xC3", Expect{}.unicode(bad).wait(2).events},
    };
    for (const CodePageCase& c : cases) {
        TypingBench bench;
        bench.keyboard.codePage = c.codePage;
        EXPECT_TRUE(bench.type(c.bytes));
        EXPECT_EQ(bench.log, c.expected) << "code page " << c.codePage << ": " << ::testing::PrintToString(c.bytes);
    }
}

TEST(KeystrokeSynthesizer, StopsAtTheFirstKeyEventThePlatformRefuses)
{
    TypingBench bench;
    bench.keyboard.eventsAccepted = 3;
    EXPECT_FALSE(bench.type("abc"));
    EXPECT_EQ(bench.log, (EventLog{down('A'), up('A'), pause(2), down('B')}));
}

TEST(KeystrokeSynthesizer, PausesTheConfiguredDelayAndNothingForAnEmptyCount)
{
    TypingBench bench;
    bench.settings.charDelayMs = 255;
    EXPECT_TRUE(bench.type(""));
    EXPECT_TRUE(bench.synthesizer.typeBytes(reinterpret_cast<const std::uint8_t*>("x"), -1));
    EXPECT_TRUE(bench.log.empty());
    EXPECT_TRUE(bench.type("1"));
    EXPECT_EQ(bench.log, Expect{}.tapKey('1').wait(255).events);
}

struct GapCase {
    const char* name;
    std::vector<std::uint32_t> sendMs;   // how long each byte takes to go in
    EventLog expected;
};

// The gap after a byte runs from the moment its turn came, so the time the
// platform takes to put it in is part of it.
TEST(KeystrokeSynthesizer, TheGapAfterAByteRunsFromTheMomentItWentIn)
{
    const GapCase cases[] = {
        {"instant", {0, 0, 0}, Expect{}.tapKey('1').wait(2).tapKey('2').wait(2).tapKey('3').wait(2).events},
        {"1 ms each", {1, 1, 1}, Expect{}.tapKey('1').wait(1).tapKey('2').wait(1).tapKey('3').wait(1).events},
        {"one slow byte", {5, 0, 0}, Expect{}.tapKey('1').tapKey('2').wait(2).tapKey('3').wait(2).events},
        {"longer than the gap", {3, 3, 3}, Expect{}.tapKey('1').tapKey('2').tapKey('3').events},
    };
    for (const GapCase& c : cases) {
        TypingBench bench;
        std::size_t sent = 0;
        bench.keyboard.afterKeys = [&] { bench.clock.now += c.sendMs[sent++]; };
        EXPECT_TRUE(bench.type("123")) << c.name;
        EXPECT_EQ(bench.log, c.expected) << c.name;
    }
}

// A clock whose every pause ends overshootUs late, as the platform's do.
struct LateClock final : Clock {
    std::uint64_t now = 0;
    std::uint64_t overshootUs = 0;
    std::uint64_t nowUs() override { return now; }
    void sleepUntilUs(std::uint64_t at) override { now = std::max(now, at + overshootUs); }
    void idleMs(std::uint32_t) override {}
    std::uint32_t tickCount() override { return 0; }
};

struct GridCase {
    const char* name;
    std::uint64_t overshootUs;
    std::uint64_t sendUs;   // how long each byte takes to go in
    std::vector<std::uint64_t> turnsUs;
};

// Turns keep to a grid of one 2 ms gap a byte, so that small lateness does
// not add up over a record; a turn that came late catches up by at most a
// quarter of a millisecond, so no gap is ever shorter than that.
TEST(KeystrokeSynthesizer, TurnsKeepToTheGridAndCatchUpOnlyALittle)
{
    const GridCase cases[] = {
        {"on time", 0, 0, {0, 2000, 4000, 6000}},
        {"pauses end late", 100, 0, {0, 2100, 4100, 6100}},
        {"bytes take long to go in", 0, 400, {0, 2000, 4000, 6000}},
        {"later than the slack", 600, 0, {0, 2600, 4950, 7300}},
        {"longer than the gap", 0, 3000, {0, 3000, 6000, 9000}},
    };
    for (const GridCase& c : cases) {
        LateClock clock;
        clock.overshootUs = c.overshootUs;
        KeyGaps gaps(clock, 2);
        std::vector<std::uint64_t> turns;
        for (std::size_t i = 0; i < c.turnsUs.size(); ++i) {
            const std::uint64_t turn = i == 0 ? clock.nowUs() : gaps.await();
            turns.push_back(turn);
            gaps.wentIn(turn, 1);
            clock.now += c.sendUs;
        }
        EXPECT_EQ(turns, c.turnsUs) << c.name;
    }
}

struct ControlCode {
    std::uint8_t byte;
    const char* label;
    std::uint8_t key;
};

// The code picker's names for the control codes, and the key each types.
TEST(KeystrokeSynthesizer, ControlCodesTapTheirFixedKeys)
{
    const ControlCode table[] = {
        {1, "Ins", 45},   {2, "Del", 46},   {3, "Home", 36},   {4, "End", 35},   {5, "Up", 38},
        {6, "Down", 40},  {7, "Left", 37},  {8, "BS", 8},      {9, "HT", 9},     {11, "Right", 39},
        {12, "PgUp", 33}, {13, "Enter", 13}, {14, "PgDn", 34}, {15, "F1", 112},  {16, "F2", 113},
        {17, "F3", 114},  {18, "F4", 115},  {19, "F5", 116},   {20, "F6", 117},  {21, "F7", 118},
        {22, "F8", 119},  {23, "F9", 120},  {24, "F10", 121},  {25, "F11", 122}, {26, "F12", 123},
    };
    for (const ControlCode& code : table) {
        TypingBench bench;
        bench.typing.keyboardLayout = 0;  // no look-up may be needed
        EXPECT_TRUE(bench.synthesizer.typeBytes(&code.byte, 1));
        EXPECT_EQ(controlCodeKey(code.byte), code.key) << code.label;
        EXPECT_EQ(bench.log, Expect{}.tapKey(code.key).wait(2).events) << code.label;
    }
    EXPECT_EQ(controlCodeKey(0), 0);
    EXPECT_EQ(controlCodeKey(10), 0);
}

struct RecordWindowCase {
    const char* name;
    ForegroundWindow foreground;
    bool typed;
    int heldModifierLooks = 0;
    int hungLooks = 0;
    int busyLooks = 0;
    int modifierPolls = 0;
    int windowPolls = 0;
    int typingLooks = 0;   // somebody else types for this many looks
};

ForegroundWindow userWindowWhere(bool ForegroundWindow::*flag)
{
    ForegroundWindow window = fakes::kUserWindow;
    window.*flag = true;
    return window;
}

// A record is typed only into a window of another program that can take
// it and keeps up, and only once the user has let go of the modifiers and
// stopped typing; it waits a while for all of them.
TEST(KeystrokeSynthesizer, WaitsForARecordWindowAndTakesItsLayout)
{
    ForegroundWindow german = fakes::kUserWindow;
    german.layout = fakes::kGermanLayout;
    const int wholeWait = kRecordWindowWaitMs / kRecordWindowPollMs;
    const RecordWindowCase cases[] = {
        {"a window of another program", german, true},
        {"no window (workstation locked)", ForegroundWindow{}, false, 0, 0, 0, 0, wholeWait},
        {"the desktop or taskbar", ForegroundWindow{true, true, false, false, 1}, false, 0, 0, 0, 0, wholeWait},
        {"this program's own dialog", ForegroundWindow{true, false, true, false, 1}, false, 0, 0, 0, 0, wholeWait},
        {"a window input may not be sent to", ForegroundWindow{true, false, false, true, 1}, false, 0, 0, 0, 0,
         wholeWait},
        {"a hidden window (one closing)", userWindowWhere(&ForegroundWindow::hidden), false, 0, 0, 0, 0, wholeWait},
        {"a minimized window", userWindowWhere(&ForegroundWindow::minimized), false, 0, 0, 0, 0, wholeWait},
        {"a window without a focused control", userWindowWhere(&ForegroundWindow::noFocus), false, 0, 0, 0, 0,
         wholeWait},
        {"Shift held a moment", german, true, 3, 0, 0, 3},
        {"a modifier held past the bound", german, false, 1000, 0, 0, kModifierWaitMs / kModifierPollMs},
        {"a window hung for a moment", german, true, 0, 3, 0, 0, 3},
        {"a window that stays hung", german, false, 0, 1000, 0, 0, wholeWait},
        {"a window still busy with the record before", german, true, 0, 0, 2, 0, 2},
        {"a window that stays busy", german, false, 0, 0, 1000, 0, wholeWait},
        {"the user types a moment", german, true, 0, 0, 0, 0, 2, 2},
        {"the user types on past the bound", german, false, 0, 0, 0, 0, wholeWait, 1000},
    };
    for (const RecordWindowCase& c : cases) {
        TypingBench bench;
        bench.keyboard.foreground = c.foreground;
        bench.keyboard.heldModifierLooks = c.heldModifierLooks;
        bench.keyboard.hungLooks = c.hungLooks;
        bench.keyboard.busyLooks = c.busyLooks;
        bench.keyboard.busyKeyboardLooks = c.typingLooks;
        EXPECT_EQ(bench.synthesizer.awaitRecordWindow(), c.typed) << c.name;
        EventLog polls(static_cast<std::size_t>(c.modifierPolls), fakes::idle(kModifierPollMs));
        polls.insert(polls.end(), static_cast<std::size_t>(c.windowPolls), fakes::idle(kRecordWindowPollMs));
        EXPECT_EQ(bench.log, polls) << c.name;
        EXPECT_EQ(bench.typing.keyboardLayout, c.typed ? fakes::kGermanLayout : fakes::kUsLayout) << c.name;
        bench.keyboard.hungLooks = bench.keyboard.heldModifierLooks = 0;
        EXPECT_EQ(bench.synthesizer.recordWindowThere(), isRecordWindow(c.foreground)) << c.name;
    }
}

struct MidRecordCase {
    const char* name;
    std::function<void(TypingBench&)> afterFirstKey;
    std::deque<KeysFate> watchSays;
    bool typed;
    EventLog expected;
    bool judged = false;   // the watch judges every key as it goes in
};

// Once a record has begun, each key goes in only into its window and never
// with the user's modifier: the keys wait while one is down and go on in
// the same window, and a window that loses the front or its focus stops
// the record, with nothing more typed anywhere.
TEST(KeystrokeSynthesizer, TypesARecordIntoItsWindowAloneAndNeverWithTheUsersModifiers)
{
    const EventLog a = Expect{}.tapKey('A').wait(2).events;
    const auto then = [&a](const EventLog& rest) {
        EventLog all = a;
        all.insert(all.end(), rest.begin(), rest.end());
        return all;
    };
    const EventLog polls = Expect{}.idles(kModifierWaitMs / kModifierPollMs).events;
    const KeysFate in = KeysFate::WentIn;
    const MidRecordCase cases[] = {
        {"nothing happens", nullptr, {}, true, then(Expect{}.tapKey('B').wait(2).tapKey('C').wait(2).events)},
        {"Ctrl pressed after the first key, let go 30 ms later", [](auto& b) { b.keyboard.heldModifierLooks = 3; }, {},
         true, then(Expect{}.idles(3).tapKey('B').wait(2).tapKey('C').wait(2).events)},
        {"Ctrl pressed just after the look: the watch held the key back", nullptr, {in, KeysFate::HeldBack},
         true, then(Expect{}.idles(1).tapKey('B').wait(2).tapKey('C').wait(2).events)},
        {"a modifier held past the bound", [](auto& b) { b.keyboard.heldModifierLooks = 100000; }, {}, false, then(polls)},
        {"the window loses its focus", [](auto& b) { b.keyboard.foreground.noFocus = true; }, {}, false, a},
        {"the window is minimized", [](auto& b) { b.keyboard.foreground.minimized = true; }, {}, false, a},
        {"another window comes to the front", [](auto& b) { b.keyboard.foreground.id = 8; }, {}, false, a},
        {"the workstation locks", [](auto& b) { b.keyboard.foreground = ForegroundWindow{}; }, {}, false, a},
        {"the watch saw the window go", nullptr, {in, KeysFate::WindowLeft}, false, a},
        {"Stop: the port is being closed", [](auto& b) { b.typing.stopRequested = true; }, {}, false, a},
        {"the window stops answering: its keys wait in its queue", [](auto& b) { b.keyboard.foreground.hung = true; }, {},
         true, then(Expect{}.tapKey('B').wait(2).tapKey('C').wait(2).events)},
        // The watch's word is the look: none is made before each key.
        {"judged: a change the watch did not see stops nothing", [](auto& b) { b.keyboard.foreground.id = 8; }, {},
         true, then(Expect{}.tapKey('B').wait(2).tapKey('C').wait(2).events), true},
        {"judged: the watch saw the window go", nullptr, {in, KeysFate::WindowLeft}, false, a, true},
        {"judged: a modifier the watch held back", [](auto& b) { b.keyboard.heldModifierLooks = 2; },
         {in, KeysFate::HeldBack}, true, then(Expect{}.idles(3).tapKey('B').wait(2).tapKey('C').wait(2).events), true},
    };
    for (const MidRecordCase& c : cases) {
        TypingBench bench;
        bench.settings.addCr = 0;
        bench.keyboard.foreground.id = 7;
        bench.keyboard.watchSays = c.watchSays;
        bench.keyboard.judges = c.judged;
        ASSERT_TRUE(bench.synthesizer.awaitRecordWindow()) << c.name;
        int calls = 0;
        bench.keyboard.afterKeys = [&] {
            if (++calls == 1 && c.afterFirstKey)
                c.afterFirstKey(bench);
        };
        const std::uint8_t data[] = {'a', 'b', 'c'};
        EXPECT_EQ(bench.synthesizer.typeRecord(RecordKeys{{}, data, false, {}}), c.typed) << c.name;
        EXPECT_EQ(bench.log, c.expected) << c.name;
        EXPECT_EQ(bench.keyboard.watched, std::vector<WindowId>{7}) << c.name;
        EXPECT_EQ(bench.keyboard.recordsEnded, 1) << c.name;
    }
}

// After each character the record window's thread answers once for each
// message that can stand ahead of what it posts as it handles the
// character, and once more, before the next goes in (4 for the first
// letter, 5 for each after it: the up before, the down, the character); a thread that does not answer in time is not asked
// again in that record, and its keys still go.
TEST(KeystrokeSynthesizer, EachCharacterWaitsUntilTheWindowsThreadCaughtUp)
{
    struct {
        const char* name;
        int busyAfterFirstKey;
        int asked;   // by the three characters of each of two records
        std::size_t keys;
    } const cases[] = {
        {"a thread that keeps up", 0, 29, 12},
        {"a thread busy after the first character", 1, 16, 12},
        {"a thread busy for both records", 1000, 2, 12},
    };
    for (const auto& c : cases) {
        TypingBench bench;
        bench.settings.addCr = 0;
        ASSERT_TRUE(bench.synthesizer.awaitRecordWindow()) << c.name;
        bench.keyboard.answersAsked = 0;
        int calls = 0;
        bench.keyboard.afterKeys = [&] {
            if (++calls == 1)
                bench.keyboard.busyLooks = c.busyAfterFirstKey;
        };
        const std::uint8_t data[] = {'a', 'b', 'c'};
        EXPECT_TRUE(bench.synthesizer.typeRecord(RecordKeys{{}, data, false, {}})) << c.name;
        EXPECT_TRUE(bench.synthesizer.typeRecord(RecordKeys{{}, data, false, {}})) << c.name;
        EXPECT_EQ(bench.keyboard.answersAsked, c.asked) << c.name;
        EXPECT_EQ(bench.keyboard.sent.size(), c.keys) << c.name;
    }
}

}  // namespace
}  // namespace orvanta
