#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_keyboard.h"
#include "protocol/record_assembler.h"
#include "protocol/record_line.h"
#include "protocol/received_chunk.h"
#include "protocol/key_delivery.h"

namespace orvanta {
namespace {

namespace Vk = VirtualKey;

using fakes::down;
using fakes::EventLog;
using fakes::pause;
using fakes::tap;
using fakes::up;
using testing::recordLine;

const std::uint8_t* raw(const std::string& s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }

// Stands in for the conversation: types every valid record.
struct DeliveringHandler final : LineHandler {
    DeliveringHandler(TransferContext& t, RecordDelivery& d) : transfer(t), delivery(d) {}
    LineOutcome handleLine() override
    {
        verdicts.push_back(classifyRecord(transfer));
        if (verdicts.back() == RecordVerdict::Valid)
            delivered.push_back(delivery.deliver(transfer) == Delivery::Delivered);
        return LineOutcome::GoOn;
    }
    TransferContext& transfer;
    RecordDelivery& delivery;
    std::vector<RecordVerdict> verdicts;
    std::vector<bool> delivered;
};

struct DeliveryBench {
    EventLog log;
    fakes::FakeKeyboard keyboard{log};
    fakes::FakeClock clock{log};
    Settings settings{};
    WorkingCodes working{};
    TransferContext transfer;
    TypingState typing;
    int platformMajorVersion = 6;
    KeystrokeSynthesizer synthesizer{keyboard, clock, settings, typing, platformMajorVersion};
    CapsLockGuard capsLock{keyboard, clock, typing};
    KeyDelivery delivery{settings, working, synthesizer, typing};
    DeliveringHandler handler{transfer, delivery};
    RecordAssembler assembler{transfer};
    ChunkReceiver receiver{transfer, typing, capsLock, assembler, handler};

    DeliveryBench()
    {
        applyDefaults(settings);
        typing.keyboardLayout = fakes::kUsLayout;
    }
    void feed(const std::string& s)
    {
        assembler.beginChunk(raw(s), static_cast<std::uint32_t>(s.size()));
        while (assembler.nextLine())
            (void)handler.handleLine();
    }
    void setPrefix(const std::string& codes) { std::memcpy(working.workingPrefix, codes.data(), codes.size()); }
    void setSuffix(const std::string& codes) { std::memcpy(working.workingSuffix, codes.data(), codes.size()); }
};

// Taps of the US layout for plain letters, digits and control codes.
EventLog typed(const std::string& text, int delay = 2)
{
    EventLog events;
    for (unsigned char c : text) {
        if (c == 13)
            tap(events, Vk::Return);
        else if (c >= 'a' && c <= 'z')
            tap(events, c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z') {
            events.push_back(down(Vk::Shift));
            tap(events, c);
            events.push_back(up(Vk::Shift));
        } else if (c == 15)
            tap(events, Vk::F1);
        else
            tap(events, c);
        events.push_back(pause(delay));
    }
    return events;
}

TEST(RecordDelivery, FirstRecordIsTypedRememberedAndAdvancesTheSequence)
{
    DeliveryBench bench;
    bench.feed(recordLine(0, "abc"));
    EXPECT_EQ(bench.log, typed("abc\r"));
    EXPECT_EQ(bench.transfer.expectedSequence, 1);
    EXPECT_EQ(0, std::memcmp(bench.transfer.lastRecord, "\x00\x61\x62\x63\x26\x01\x00", 7));

    bench.log.clear();
    bench.feed(recordLine(0, "abc"));
    EXPECT_TRUE(bench.log.empty()) << "a repeat is not typed again";
    EXPECT_EQ(bench.handler.verdicts.back(), RecordVerdict::Repeat);
    EXPECT_EQ(bench.transfer.expectedSequence, 1);
}

struct FramingCase {
    const char* name;
    int addCr, prefixEnabled, suffixEnabled;
    std::string prefix, suffix, data;
    std::string expected;
};

TEST(RecordDelivery, FramesTheDataWithPrefixCarriageReturnAndSuffix)
{
    const FramingCase cases[] = {
        {"data only", 0, 0, 0, "", "", "ab", "ab"},
        {"carriage return after the data", 1, 0, 0, "", "", "ab", "ab\r"},
        {"prefix, data, CR, suffix", 1, 1, 1, "p", "s", "ab", "pab\rs"},
        {"disabled lists are not typed", 1, 0, 0, "p", "s", "ab", "ab\r"},
        {"enabled empty lists type nothing", 0, 1, 1, "", "", "ab", "ab"},
        {"ten prefix codes", 0, 1, 0, "0123456789", "", "x", "0123456789x"},
        {"record without data, no CR", 0, 1, 1, "p", "s", "", "ps"},
        {"record without data, with CR", 1, 0, 0, "", "", "", "\r"},
        {"enter in a list stays enter", 0, 1, 1, "\r", "\x0f", "z", "\rz\x0f"},
    };
    for (const FramingCase& c : cases) {
        DeliveryBench bench;
        bench.settings.addCr = static_cast<std::int8_t>(c.addCr);
        bench.settings.prefixEnabled = static_cast<std::int8_t>(c.prefixEnabled);
        bench.settings.suffixEnabled = static_cast<std::int8_t>(c.suffixEnabled);
        bench.setPrefix(c.prefix);
        bench.setSuffix(c.suffix);
        bench.feed(recordLine(0, c.data));
        EXPECT_EQ(bench.log, typed(c.expected)) << c.name;
    }
}

TEST(RecordDelivery, SequenceNineIsFollowedByZero)
{
    DeliveryBench bench;
    bench.settings.addCr = 0;
    std::string stream;
    for (int i = 0; i < 12; ++i)
        stream += recordLine(i % 10, std::string(1, static_cast<char>('a' + i)));
    bench.feed(stream);
    EXPECT_EQ(bench.log, typed("abcdefghijkl"));
    EXPECT_EQ(bench.transfer.expectedSequence, 2);
}

// The collector's writes reach the port in pieces of any size; what is typed
// must not depend on where a chunk ends.
TEST(RecordAssembler, ChunkBoundariesDoNotChangeWhatIsTyped)
{
    std::string stream = "ACK\r";
    stream += recordLine(0, "Box-17");
    stream += recordLine(1, "9780306406157");
    stream += recordLine(1, "9780306406157");   // sent again after a lost ACK
    stream += recordLine(2, "Q") .substr(0, 3) + "\r";  // damaged
    stream += recordLine(2, "lot 4");
    stream += "\r";
    DeliveryBench whole;
    whole.settings.prefixEnabled = 1;
    whole.setPrefix("\x0f");
    whole.feed(stream);
    ASSERT_EQ(whole.transfer.expectedSequence, 3);

    for (std::size_t split = 0; split <= stream.size(); ++split) {
        DeliveryBench parts;
        parts.settings.prefixEnabled = 1;
        parts.setPrefix("\x0f");
        parts.feed(stream.substr(0, split));
        parts.feed(stream.substr(split));
        ASSERT_EQ(parts.log, whole.log) << "split at " << split;
        ASSERT_EQ(parts.handler.verdicts, whole.handler.verdicts) << "split at " << split;
    }
    DeliveryBench bytewise;
    bytewise.settings.prefixEnabled = 1;
    bytewise.setPrefix("\x0f");
    for (char c : stream)
        bytewise.feed(std::string(1, c));
    EXPECT_EQ(bytewise.log, whole.log);
}

// Caps Lock on, Caps Lock key toggles, prefix F1, CR after each record: the
// chunk that completes the record "ab" is typed with Caps Lock off.
TEST(ChunkReceiver, TypesARecordBetweenCapsLockOffAndOn)
{
    DeliveryBench bench;
    bench.keyboard.capsLockOn = true;
    bench.typing.capsLockMode = CapsLockMode::CapsKeyToggles;
    bench.settings.prefixEnabled = 1;
    bench.setPrefix("\x0f");
    const std::string line = recordLine(0, "ab");
    bench.receiver.receive(raw(line), static_cast<std::uint32_t>(line.size()));

    EventLog expected;
    tap(expected, Vk::Capital);
    for (const auto& event : typed("\x0f" "ab\r"))
        expected.push_back(event);
    tap(expected, Vk::Capital);
    EXPECT_EQ(bench.log, expected);
    EXPECT_TRUE(bench.keyboard.capsLockOn);
}

TEST(ChunkReceiver, ProbesAtTheFirstChunkOnly)
{
    DeliveryBench bench;
    bench.typing.capsLockMode = CapsLockMode::NotProbed;
    bench.receiver.receive(raw("AC"), 2);
    EventLog expected;
    tap(expected, Vk::Capital);
    tap(expected, Vk::Capital);
    expected.push_back(pause(5));
    EXPECT_EQ(bench.log, expected);
    EXPECT_EQ(bench.typing.capsLockMode, CapsLockMode::CapsKeyToggles);

    bench.log.clear();
    bench.receiver.receive(raw("K\r"), 2);
    EXPECT_TRUE(bench.log.empty()) << "Caps Lock off: no taps around the chunk";
}

// A keep-online series runs for hours, through window and language
// switches: every record is typed in the layout of the window in front.
TEST(RecordDelivery, EachRecordTakesTheLayoutOfTheWindowInFront)
{
    DeliveryBench bench;
    bench.settings.addCr = 0;
    bench.keyboard.foreground.layout = fakes::kGermanLayout;
    bench.feed(recordLine(0, "y"));
    bench.keyboard.foreground.layout = fakes::kUsLayout;
    bench.feed(recordLine(1, "y"));
    ASSERT_EQ(bench.keyboard.sent.size(), 4u);
    EXPECT_EQ(bench.keyboard.sent[0].scanCode, 0x2C) << "German: Y where the US keyboard has Z";
    EXPECT_EQ(bench.keyboard.sent[2].scanCode, 0x15);
}

struct UndeliveredCase {
    const char* name;
    ForegroundWindow foreground;
    int eventsAccepted;
    EventLog typedFirst;
    bool dialogOpensAfterFirstKey = false;
    bool windowChangesAfterFirstKey = false;
};

// A record that is not typed whole is not delivered: nothing is remembered
// and the sequence stays, so the collector's next copy is typed in full.
TEST(RecordDelivery, ARecordNotTypedWholeIsTypedAgainFromTheNextCopy)
{
    const UndeliveredCase cases[] = {
        {"no window to type into", ForegroundWindow{}, -1,
         EventLog(kTargetWaitMs / kTargetPollMs, fakes::idle(kTargetPollMs))},
        {"a key refused half-way", fakes::kUserWindow, 3, {down('A'), up('A'), pause(2), down('B')}},
        {"this program's dialog opened half-way", fakes::kUserWindow, -1, {down('A'), up('A'), pause(2)}, true},
        {"the user switched windows half-way", fakes::kUserWindow, -1, {down('A'), up('A'), pause(2)}, false, true},
    };
    for (const UndeliveredCase& c : cases) {
        DeliveryBench bench;
        bench.feed(recordLine(0, "x"));
        bench.log.clear();
        bench.keyboard.foreground = c.foreground;
        bench.keyboard.eventsAccepted = c.eventsAccepted;
        if (c.dialogOpensAfterFirstKey)
            bench.keyboard.afterKeys = [&bench] { bench.keyboard.foreground.ownProcess = true; };
        if (c.windowChangesAfterFirstKey)
            bench.keyboard.afterKeys = [&bench] { bench.keyboard.foreground.id = 2; };
        bench.feed(recordLine(1, "ab"));
        bench.keyboard.afterKeys = nullptr;
        EXPECT_EQ(bench.log, c.typedFirst) << c.name;
        EXPECT_EQ(bench.handler.delivered, (std::vector<bool>{true, false})) << c.name;
        EXPECT_EQ(bench.transfer.expectedSequence, 1) << c.name;

        bench.log.clear();
        bench.keyboard.foreground = fakes::kUserWindow;
        bench.keyboard.eventsAccepted = -1;
        bench.feed(recordLine(1, "ab"));
        EXPECT_EQ(bench.handler.verdicts.back(), RecordVerdict::Valid) << c.name;
        EXPECT_EQ(bench.log, typed("ab\r")) << c.name;
        EXPECT_EQ(bench.transfer.expectedSequence, 2) << c.name;
    }
}

struct AfterLastKeyCase {
    const char* name;
    void (*change)(ForegroundWindow& window);
};

// A record is delivered once its last key went in, whatever the
// application does with the keys next; the next record goes to the window
// in front then (here a window of the same application, as a dialog it
// opened at the Enter).
TEST(RecordDelivery, ARecordIsDeliveredOnceItsLastKeyWentIn)
{
    const AfterLastKeyCase cases[] = {
        {"its field drops the focus while it looks the code up", [](ForegroundWindow& w) { w.noFocus = true; }},
        {"it stops answering", [](ForegroundWindow& w) { w.hung = true; }},
        {"it minimizes itself", [](ForegroundWindow& w) { w.minimized = true; }},
        {"it closes", [](ForegroundWindow& w) { w = ForegroundWindow{}; }},
        {"it opens a dialog", [](ForegroundWindow& w) { w.id = 9; }},
    };
    for (const AfterLastKeyCase& c : cases) {
        DeliveryBench bench;
        bench.keyboard.afterKeys = [&bench, &c] {
            if (bench.keyboard.sent.back().virtualKey == Vk::Return)
                c.change(bench.keyboard.foreground);
        };
        bench.feed(recordLine(0, "ab"));
        bench.keyboard.afterKeys = nullptr;
        EXPECT_EQ(bench.log, typed("ab\r")) << c.name;
        EXPECT_EQ(bench.handler.delivered, std::vector<bool>{true}) << c.name;

        bench.log.clear();
        bench.keyboard.foreground = fakes::kUserWindow;
        bench.keyboard.foreground.id = 9;
        bench.feed(recordLine(1, "cd"));
        EXPECT_EQ(bench.log, typed("cd\r")) << c.name;
        EXPECT_EQ(bench.keyboard.watched, (std::vector<WindowId>{0, 9})) << c.name;
        EXPECT_EQ(bench.transfer.expectedSequence, 2) << c.name;
    }
}

struct CodePageFramingCase {
    unsigned codePage;
    std::string prefix, data;
    EventLog expected;
};

EventLog then(EventLog events, const EventLog& more)
{
    events.insert(events.end(), more.begin(), more.end());
    return events;
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
TEST(RecordDelivery, TheCarriageReturnAndTheCodesNeverJoinACharacter)
{
    const int bad = kReplacementCharacter;
    const CodePageFramingCase cases[] = {
        {932, "", "XY\xE9", then(then(typed("XY"), unit(bad)), typed("\r"))},
        {932, "\xE9", "\x82\xA0", then(then(unit(bad), unit(0x82A0, 2)), typed("\r"))},
        {65001, "", "a\xC3", then(then(typed("a"), unit(bad)), typed("\r"))},
        {1252, "\xE9", "\xE9", then(then(unit(0xE9), unit(0xE9)), typed("\r"))},
    };
    for (const CodePageFramingCase& c : cases) {
        DeliveryBench bench;
        bench.keyboard.codePage = c.codePage;
        bench.settings.prefixEnabled = 1;
        bench.setPrefix(c.prefix);
        bench.feed(recordLine(0, c.data));
        EXPECT_EQ(bench.log, c.expected) << c.codePage << ::testing::PrintToString(c.data);
    }
}

}  // namespace
}  // namespace orvanta
