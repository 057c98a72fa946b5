#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_keyboard.h"
#include "keys/record_typist.h"

namespace orvanta {
namespace {

namespace Vk = VirtualKey;

using fakes::down;
using fakes::EventLog;
using fakes::pause;
using fakes::tap;
using fakes::up;

struct TypistBench {
    EventLog log;
    fakes::FakeKeyboard keyboard{log};
    fakes::FakeClock clock{log};
    Settings settings{};
    WorkingCodes working{};
    int platformMajorVersion = 6;
    RecordTypist typist{keyboard, clock, platformMajorVersion};

    TypistBench()
    {
        applyDefaults(settings);
        typist.typing().capsLockMode = CapsLockMode::CapsKeyToggles;
    }
    TypingOutcome type(const std::string& data, bool fresh = false)
    {
        RecordJob job = frameRecord(settings, working, {reinterpret_cast<const std::uint8_t*>(data.data()), data.size()});
        job.fresh = fresh;
        return typist.type(job).outcome;
    }
    void setCodes(const std::string& prefix, const std::string& suffix)
    {
        std::memcpy(working.workingPrefix, prefix.data(), prefix.size());
        std::memcpy(working.workingSuffix, suffix.data(), suffix.size());
    }
};

// Taps of the US layout for plain letters, digits and control codes; a 0
// is a byte that types nothing but its pause.
EventLog typed(const std::string& text, int delay = 2)
{
    EventLog events;
    for (unsigned char c : text) {
        if (c == 0)
            ;
        else if (c == 13)
            tap(events, Vk::Return);
        else if (c >= 'a' && c <= 'z')
            tap(events, c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z') {
            events.push_back(down(Vk::Shift));
            tap(events, c);
            events.push_back(up(Vk::Shift));
        } else if (c >= 15 && c <= 26)
            tap(events, Vk::F1 + c - 15);
        else
            tap(events, c);
        events.push_back(pause(delay));
    }
    return events;
}

EventLog then(EventLog events, const EventLog& more)
{
    events.insert(events.end(), more.begin(), more.end());
    return events;
}

TEST(RecordTypist, FramesTheDataWithPrefixCarriageReturnAndSuffix)
{
    const std::string navigation = "\x01\x02\x03\x04\x05\x06\x07\x08\x0b\x0c\x0e";
    const struct {
        const char* name;
        int addCr, prefixEnabled, suffixEnabled;
        std::string prefix, suffix, data, expected;
        bool onlyCharacters = false;
    } cases[] = {
        {"data only", 0, 0, 0, "", "", "ab", "ab"},
        {"carriage return after the data", 1, 0, 0, "", "", "ab", "ab\r"},
        {"prefix, data, CR, suffix", 1, 1, 1, "p", "s", "ab", "pab\rs"},
        {"disabled lists are not typed", 1, 0, 0, "p", "s", "ab", "ab\r"},
        {"enabled empty lists type nothing", 0, 1, 1, "", "", "ab", "ab"},
        {"ten prefix codes", 0, 1, 0, "0123456789", "", "x", "0123456789x"},
        {"record without data, no CR", 0, 1, 1, "p", "s", "", "ps"},
        {"record without data, with CR", 1, 0, 0, "", "", "", "\r"},
        {"enter in a list stays enter", 0, 1, 1, "\r", "\x0f", "z", "\rz\x0f"},
        {"F4 and Esc in the data are keys by default", 1, 0, 0, "", "", "\x12x\x1b", "\x12x\x1b\r"},
        {"only characters: F4 and Esc in the data type nothing", 1, 0, 0, "", "", "\x12x\x1b",
         std::string("\0x\0\r", 4), true},
        {"only characters: navigation keys and F12 type nothing", 0, 0, 0, "", "", navigation + "y\x1a",
         std::string(navigation.size(), '\0') + "y" + std::string(1, '\0'), true},
        {"only characters: Tab and Enter in the data stay", 0, 0, 0, "", "", "a\tb\rc", "a\tb\rc", true},
        {"only characters: prefix and suffix codes stay", 1, 1, 1, "\x1b", "\x0f", "\x0f",
         std::string("\x1b\0\r\x0f", 4), true},
    };
    for (const auto& c : cases) {
        TypistBench bench;
        bench.settings.addCr = static_cast<std::int8_t>(c.addCr);
        bench.settings.prefixEnabled = static_cast<std::int8_t>(c.prefixEnabled);
        bench.settings.suffixEnabled = static_cast<std::int8_t>(c.suffixEnabled);
        bench.settings.typeOnlyCharacters.on = c.onlyCharacters;
        bench.setCodes(c.prefix, c.suffix);
        EXPECT_EQ(bench.type(c.data), TypingOutcome::Typed) << c.name;
        EXPECT_EQ(bench.log, typed(c.expected)) << c.name;
    }
}

// Every record, a transfer's or one typed again, is typed with Caps Lock
// off and Caps Lock is put back after it; the first record of a start or
// of a batch looks anew at how Caps Lock is switched off, and a record no
// window could take touches no key.
TEST(RecordTypist, EveryRecordIsTypedWithCapsLockOff)
{
    const EventLog probe = [] {
        EventLog e;
        tap(e, Vk::Capital);   // on, as it was off
        e.push_back(pause(5));
        tap(e, Vk::Capital);   // off again: this Caps Lock key toggles
        e.push_back(pause(5));
        return e;
    }();
    EventLog offOnF1ab;
    tap(offOnF1ab, Vk::Capital);
    offOnF1ab = then(offOnF1ab, typed("\x0f" "ab\r"));
    tap(offOnF1ab, Vk::Capital);
    // Caps Lock on at a start, and the look at it late after a tap: the
    // probe's finding counts, and the next record sees it on again.
    EventLog seenLate;
    tap(seenLate, Vk::Capital);
    seenLate.push_back(pause(5));
    tap(seenLate, Vk::Capital);
    seenLate.push_back(pause(5));
    tap(seenLate, Vk::Capital);
    seenLate = then(seenLate, typed("\x0f" "ab\r"));
    tap(seenLate, Vk::Capital);
    seenLate.push_back(pause(1));
    seenLate = then(seenLate, offOnF1ab);
    seenLate.push_back(pause(1));
    const struct {
        const char* name;
        bool capsLockOn, shiftReleases, fresh, window;
        EventLog expected;
        TypingOutcome outcome = TypingOutcome::Typed;
        int records = 1;
    } cases[] = {
        {"Caps Lock on at a start, seen late", true, false, true, true, seenLate, TypingOutcome::Typed, 2},
        {"Caps Lock on: off around the record, on after it", true, false, false, true, offOnF1ab},
        {"Caps Lock off: no taps", false, false, false, true, typed("\x0f" "ab\r")},
        {"a fresh record probes first", false, false, true, true, then(probe, typed("\x0f" "ab\r"))},
        {"Shift releases Caps Lock", true, true, false, true,
         then(then(EventLog{down(Vk::Shift), up(Vk::Shift)}, typed("\x0f" "ab\r")), EventLog{down(Vk::Capital), up(Vk::Capital)})},
        {"no window: Caps Lock stays as it is", true, false, true, false,
         EventLog(kRecordWindowWaitMs / kRecordWindowPollMs, fakes::idle(kRecordWindowPollMs)), TypingOutcome::NoRecordWindow},
    };
    for (const auto& c : cases) {
        TypistBench bench;
        bench.settings.prefixEnabled = 1;
        bench.setCodes("\x0f", "");
        bench.keyboard.capsLockOn = c.capsLockOn;
        bench.keyboard.shiftReleasesCapsLock = c.shiftReleases;
        if (c.shiftReleases)
            bench.typist.typing().capsLockMode = CapsLockMode::ShiftReleases;
        if (!c.window)
            bench.keyboard.foreground = ForegroundWindow{};
        bench.keyboard.capsLockSeenLate = c.records > 1;
        for (int record = 0; record < c.records; ++record)
            EXPECT_EQ(bench.type("ab", c.fresh && record == 0), c.outcome) << c.name;
        EXPECT_EQ(bench.log, c.expected) << c.name;
        EXPECT_EQ(bench.keyboard.capsLockOn, c.capsLockOn) << c.name;
    }
}

// A record that did not go in whole says why: the engine forgets it then,
// and the collector's next copy is typed in full.
TEST(RecordTypist, SaysWhatBecameOfARecordNotTypedWhole)
{
    const struct {
        const char* name;
        int eventsAccepted;
        void (*afterFirstKey)(ForegroundWindow&);
        TypingOutcome outcome;
    } cases[] = {
        {"a key refused half-way", 3, nullptr, TypingOutcome::NotWhole},
        {"this program's dialog opened half-way", -1, [](ForegroundWindow& w) { w.ownProcess = true; },
         TypingOutcome::NoRecordWindow},
        {"the user switched windows half-way", -1, [](ForegroundWindow& w) { w.id = 2; }, TypingOutcome::NotWhole},
        {"the workstation locked half-way", -1, [](ForegroundWindow& w) { w = ForegroundWindow{}; },
         TypingOutcome::NoRecordWindow},
        // A record counts as typed once its last key went in, whatever the
        // application does next.
        {"its window closes at the last key", -1, nullptr, TypingOutcome::Typed},
    };
    for (const auto& c : cases) {
        TypistBench bench;
        bench.keyboard.eventsAccepted = c.eventsAccepted;
        bench.keyboard.afterKeys = [&] {
            const bool last = bench.keyboard.sent.back().virtualKey == Vk::Return;
            if (c.afterFirstKey && bench.keyboard.sent.size() == 2)
                c.afterFirstKey(bench.keyboard.foreground);
            if (!c.afterFirstKey && c.eventsAccepted < 0 && last)
                bench.keyboard.foreground = ForegroundWindow{};
        };
        EXPECT_EQ(bench.type("ab"), c.outcome) << c.name;
    }
}

// A keep-online series runs for hours, through window and language
// switches: every record is typed in the layout of the window in front,
// and the row of a record names the window it went to.
TEST(RecordTypist, EachRecordTakesTheLayoutAndTheWindowInFront)
{
    TypistBench bench;
    bench.settings.addCr = 0;
    bench.keyboard.foreground.layout = fakes::kGermanLayout;
    bench.keyboard.foreground.id = 5;
    RecordJob job = frameRecord(bench.settings, bench.working, {reinterpret_cast<const std::uint8_t*>("y"), 1});
    EXPECT_EQ(bench.typist.type(job).window, 5u);
    bench.keyboard.foreground.layout = fakes::kUsLayout;
    bench.keyboard.foreground.id = 6;
    EXPECT_EQ(bench.typist.type(job).window, 6u);
    ASSERT_EQ(bench.keyboard.sent.size(), 4u);
    EXPECT_EQ(bench.keyboard.sent[0].scanCode, 0x2C) << "German: Y where the US keyboard has Z";
    EXPECT_EQ(bench.keyboard.sent[2].scanCode, 0x15);
}

EventLog unit(int value, int pauses = 1)
{
    EventLog events;
    fakes::typeUnit(events, value);
    return then(events, EventLog(static_cast<std::size_t>(pauses), pause(2)));
}

// The data are one text of the ANSI code page; the carriage return and
// each prefix code are keys of their own and never complete a character
// the data (or a code) began.
TEST(RecordTypist, TheCarriageReturnAndTheCodesNeverJoinACharacter)
{
    const int bad = kReplacementCharacter;
    const struct {
        unsigned codePage;
        std::string prefix, data;
        EventLog expected;
    } cases[] = {
        {932, "", "XY\xE9", then(then(typed("XY"), unit(bad)), typed("\r"))},
        {932, "\xE9", "\x82\xA0", then(then(unit(bad), unit(0x82A0, 2)), typed("\r"))},
        {65001, "", "a\xC3", then(then(typed("a"), unit(bad)), typed("\r"))},
        {1252, "\xE9", "\xE9", then(then(unit(0xE9), unit(0xE9)), typed("\r"))},
    };
    for (const auto& c : cases) {
        TypistBench bench;
        bench.keyboard.codePage = c.codePage;
        bench.settings.prefixEnabled = 1;
        bench.setCodes(c.prefix, "");
        EXPECT_EQ(bench.type(c.data), TypingOutcome::Typed);
        EXPECT_EQ(bench.log, c.expected) << c.codePage << ::testing::PrintToString(c.data);
    }
}

}  // namespace
}  // namespace orvanta
