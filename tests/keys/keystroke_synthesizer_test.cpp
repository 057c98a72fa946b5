#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_keyboard.h"
#include "keys/keystroke_synthesizer.h"

namespace orvanta {
namespace {

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
    TransferContext transfer;
    int platformMajorVersion = 6;
    KeystrokeSynthesizer synthesizer{keyboard, clock, settings, transfer, platformMajorVersion};

    TypingBench()
    {
        applyDefaults(settings);
        transfer.keyboardLayout = fakes::kUsLayout;
    }

    void type(const std::string& text)
    {
        synthesizer.typeBytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                              static_cast<std::int32_t>(text.size()));
    }
};

// Builds an expected sequence from a compact description.
struct Expect {
    EventLog events;
    Expect& tapKey(int key) { tap(events, key); return *this; }
    Expect& with(int modifier, int key)
    {
        events.push_back(down(modifier));
        tapKey(key);
        events.push_back(up(modifier));
        return *this;
    }
    Expect& ctrlAlt(int key)
    {
        events.push_back(down(VkControl));
        events.push_back(down(VkMenu));
        tapKey(key);
        events.push_back(up(VkControl));
        events.push_back(up(VkMenu));
        return *this;
    }
    Expect& wait(int ms) { events.push_back(pause(ms)); return *this; }
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
        {"lower and upper case", "aB", us, 6, Expect{}.tapKey('A').wait(2).with(VkShift, 'B').wait(2).events},
        {"enter needs no look-up", "\r", us, 6, Expect{}.tapKey(VkReturn).wait(2).events},
        {"bytes 0 and 10 only pause", std::string("\0\n", 2), us, 6, Expect{}.wait(2).wait(2).events},
        {"escape is looked up like a character", "\x1b", us, 6, Expect{}.with(VkControl, 0xDB).wait(2).events},
        {"a failed look-up taps key 255", "\xA7", us, 6, Expect{}.tapKey(255).wait(2).events},
        {"AltGr on version 5 uses right Alt", "@", de, 5, Expect{}.with(VkRMenu, 'Q').wait(2).events},
        {"AltGr on version 4 uses Ctrl+Alt", "{", de, 4, Expect{}.ctrlAlt('7').wait(2).events},
        {"AltGr on version 6 uses Ctrl+Alt", "\\", de, 6, Expect{}.ctrlAlt(0xDB).wait(2).events},
        {"AltGr on version 10 uses Ctrl+Alt", "\x80", de, 10, Expect{}.ctrlAlt('E').wait(2).events},
        {"AltGr on version 3 taps the key alone", "@", de, 3, Expect{}.tapKey('Q').wait(2).events},
        {"layout decides the key", "zy", de, 6, Expect{}.tapKey('Y').wait(2).tapKey('Z').wait(2).events},
    };
    for (const TypingCase& c : cases) {
        TypingBench bench;
        bench.transfer.keyboardLayout = c.layout;
        bench.platformMajorVersion = c.platformMajorVersion;
        bench.type(c.bytes);
        EXPECT_EQ(bench.log, c.expected) << c.name;
    }
}

TEST(KeystrokeSynthesizer, AltPressesMenuAndMeaninglessCombinationsTapTheKeyAlone)
{
    for (int state : {0, 3, 4, 5, 7}) {
        TypingBench bench;
        bench.keyboard.layouts[fakes::kUsLayout]['#'] = static_cast<std::int16_t>((state << 8) | 0x33);
        bench.type("#");
        Expect expected;
        if (state == 4)
            expected.with(VkMenu, 0x33);
        else
            expected.tapKey(0x33);
        EXPECT_EQ(bench.log, expected.wait(2).events) << "shift state " << state;
    }
}

TEST(KeystrokeSynthesizer, PausesTheConfiguredDelayAndNothingForAnEmptyCount)
{
    TypingBench bench;
    bench.settings.charDelayMs = 255;
    bench.type("");
    bench.synthesizer.typeBytes(reinterpret_cast<const std::uint8_t*>("x"), -1);
    EXPECT_TRUE(bench.log.empty());
    bench.type("1");
    EXPECT_EQ(bench.log, Expect{}.tapKey('1').wait(255).events);
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
        bench.transfer.keyboardLayout = 0;  // no look-up may be needed
        bench.synthesizer.typeBytes(&code.byte, 1);
        EXPECT_EQ(controlCodeKey(code.byte), code.key) << code.label;
        EXPECT_EQ(bench.log, Expect{}.tapKey(code.key).wait(2).events) << code.label;
    }
    EXPECT_EQ(controlCodeKey(0), 0);
    EXPECT_EQ(controlCodeKey(10), 0);
}

TEST(KeystrokeSynthesizer, CapturesTheForegroundLayoutOncePerTransfer)
{
    TypingBench bench;
    bench.transfer.keyboardLayout = 0;
    bench.keyboard.foreground = 0;
    bench.synthesizer.captureLayout();
    EXPECT_EQ(bench.transfer.keyboardLayout, 0u) << "none found: tried again at the next chunk";
    bench.keyboard.foreground = fakes::kGermanLayout;
    bench.synthesizer.captureLayout();
    bench.keyboard.foreground = fakes::kUsLayout;
    bench.synthesizer.captureLayout();
    EXPECT_EQ(bench.transfer.keyboardLayout, fakes::kGermanLayout);
}

}  // namespace
}  // namespace orvanta
