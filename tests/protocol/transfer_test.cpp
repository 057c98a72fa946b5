#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "protocol/transfer_run.h"
#include "protocol/record_line.h"

namespace orvanta {
namespace {

using fakes::EventLog;
using fakes::FakeProgram;
using fakes::kDialogWindow;
using fakes::sent;
using fakes::timerKill;
using fakes::timerSet;
using testing::TransferRun;
using testing::recordLine;

TEST(Transfer, ThreeRecordsAreTypedAcknowledgedAndTheConnectionCloses)
{
    TransferRun c;
    c.collector.records = {"ab", "cd", "ef"};
    ASSERT_EQ(c.start(), StatusCode::Ok);
    c.run();
    EXPECT_EQ(c.typedLetters(), "ABCDEF");
    EXPECT_EQ(c.collector.commands, (std::vector<std::string>{"READ\r", "ACK\r", "ACK\r", "ACK\r"}));
    EXPECT_TRUE(c.f.only({"box"}).empty());
    EXPECT_EQ(c.p.port.portHandle, PortHandle::None);
    EXPECT_EQ(c.p.transfer.running, 0);
    EXPECT_EQ(c.p.transfer.state, TransferState::AwaitingAck);
}

struct FaultCase {
    const char* name;
    std::vector<std::string> records;
    int loseAckOf, damageFirst;
    std::string typed;
    std::vector<std::string> commands;
    int earlyTimeoutOf = -1;
};

// Each record's journal row is written after its last key and before its
// ACK, within the pause that comes before the ACK anyway.
TEST(Transfer, EachRecordIsJournaledBeforeItsAck)
{
    struct LoggingJournal final : RecordJournal {
        explicit LoggingJournal(EventLog& events) : log(events) {}
        void recordDelivered(const TransferContext& t) override
        {
            log.push_back({"journal", 0, std::string(reinterpret_cast<const char*>(t.lineBuffer), t.lineLength)});
        }
        EventLog& log;
    };
    TransferRun c;
    LoggingJournal journal(c.f.log);
    c.p.conversation.journal = &journal;
    c.collector.records = {"ab"};
    ASSERT_EQ(c.start(), StatusCode::Ok);
    c.run();
    const std::string line = recordLine(0, "ab");
    const EventLog expected = {sent("READ\r"), {"journal", 0, line.substr(0, line.size() - 1)}, fakes::pause(100),
                               sent("ACK\r")};
    EventLog picked;   // the writes, the journal, and the pause right after it
    for (const auto& e : c.f.only({"journal", "write", "sleep"})) {
        if (e.kind != "sleep" || (!picked.empty() && picked.back().kind == "journal"))
            picked.push_back(e);
    }
    EXPECT_EQ(picked, expected);
}

TEST(Transfer, LineFaultsAreAnsweredAndEveryRecordIsTypedOnce)
{
    const FaultCase cases[] = {
        {"lost ACK: the record comes again, is acknowledged, not typed", {"a1", "b2"}, 0, -1, "A1B2",
         {"READ\r", "ACK\r", "ACK\r", "ACK\r"}},
        {"damaged record: NAK, then accepted", {"a1", "b2"}, -1, 1, "A1B2",
         {"READ\r", "ACK\r", "NAK\r", "ACK\r"}},
        {"data containing OVER are typed", {"a1", "COVER12", "z"}, -1, -1, "A1COVER12Z",
         {"READ\r", "ACK\r", "ACK\r", "ACK\r"}},
        {"data containing ACK are typed", {"PACK1"}, -1, -1, "PACK1", {"READ\r", "ACK\r"}},
        {"a damaged record with OVER in its data is no end marker", {"a1", "COVER12", "z"}, -1, 1, "A1COVER12Z",
         {"READ\r", "ACK\r", "NAK\r", "ACK\r", "ACK\r"}},
        {"the collector's own time-out: the repeat and the next record in one chunk", {"a1", "b2", "c3"}, -1, -1,
         "A1B2C3", {"READ\r", "ACK\r", "ACK\r", "ACK\r"}, 0},
    };
    for (const FaultCase& fc : cases) {
        TransferRun c;
        c.collector.records = fc.records;
        c.collector.loseAckOf = fc.loseAckOf;
        c.collector.damageFirst = fc.damageFirst;
        c.collector.earlyTimeoutOf = fc.earlyTimeoutOf;
        ASSERT_EQ(c.start(), StatusCode::Ok) << fc.name;
        c.run();
        EXPECT_EQ(c.typedLetters(), fc.typed) << fc.name;
        EXPECT_EQ(c.collector.commands, fc.commands) << fc.name;
        EXPECT_EQ(c.p.port.portHandle, PortHandle::None) << fc.name;
    }
}

struct GiveUpCase {
    const char* name;
    bool interactive;
    bool silent;
    std::string readAnswer;
    bool silentAfterAck;
    int reads, naks;
    std::string box;
    bool noWindow = false;   // no window in front that could take a record
    int exitCode = 0;        // of the unattended run
};

TEST(Transfer, GivesUpAfterSixRetriesWithTheRightMessage)
{
    const GiveUpCase cases[] = {
        {"silent collector, interactive", true, true, "", false, 7, 0, "Error: Time out !!"},
        {"silent collector, unattended", false, true, "", false, 7, 0, "", false, 104},
        {"READ answered with NAK", true, false, "NAK\r", false, 7, 0, "Error: Time out !!"},
        {"silent after acknowledging READ", true, false, "ACK\r", true, 1, 6, "Error: Receive Time out !!"},
        {"silent after acknowledging READ, unattended", false, false, "ACK\r", true, 1, 6, "", false, 105},
        // No window is a pause, not a fault of the line: no NAK, the
        // collector keeps its records.
        {"no window to type into: the collector keeps its records", true, false, "ACK\r", false, 1, 0,
         "Error: No window to type the records into !!", true},
        {"no window to type into, unattended", false, false, "ACK\r", false, 1, 0, "", true, 108},
    };
    for (const GiveUpCase& g : cases) {
        TransferRun c;
        c.interactive = g.interactive;
        c.collector.silent = g.silent;
        c.collector.readAnswer = g.readAnswer;
        c.collector.records = {"a1", "b2"};
        if (g.noWindow)
            c.f.keyboard.foreground = ForegroundWindow{true, true, false, false, fakes::kUsLayout};
        if (g.silentAfterAck)
            c.f.comPort.onWrite = [&c](const std::string& text, const LineConfig&) {
                c.collector.commands.push_back(text);
                if (text == "READ\r")
                    c.f.comPort.receive("ACK\r");
            };
        ASSERT_EQ(c.start(), StatusCode::Ok) << g.name;
        c.run();
        EXPECT_EQ(c.count("READ\r"), g.reads) << g.name;
        EXPECT_EQ(c.count("NAK\r"), g.naks) << g.name;
        EXPECT_EQ(c.count("ACK\r"), 0) << g.name;
        EXPECT_EQ(c.typedLetters(), "") << g.name;
        const EventLog boxes = c.f.only({"box"});
        if (g.box.empty()) {
            EXPECT_TRUE(boxes.empty()) << g.name;
        } else {
            ASSERT_EQ(boxes.size(), 1u) << g.name;
            EXPECT_EQ(boxes[0].text, g.box) << g.name;
            EXPECT_EQ(boxes[0].value, 0x40030u) << g.name;
            EXPECT_EQ(c.p.port.portHandle, PortHandle::None) << g.name << ": closed before the box";
        }
        EXPECT_EQ(c.p.transfer.running, 0) << g.name;
        if (!g.interactive) {
            EXPECT_EQ(unattendedExitCode(c.unattended.result), g.exitCode) << g.name;
        }
    }
}

TEST(Transfer, AcknowledgementAndFirstRecordInOneChunk)
{
    TransferRun c;
    c.f.comPort.onWrite = nullptr;
    ASSERT_EQ(c.start(), StatusCode::Ok);
    c.f.comPort.receive("ACK\r" + recordLine(0, "xy"));
    c.f.log.clear();
    c.p.port.readerPass();
    EXPECT_EQ(c.typedLetters(), "XY");
    EXPECT_EQ(c.f.written(), "ACK\r");
    EXPECT_EQ(c.p.transfer.state, TransferState::Receiving);
}

TEST(Transfer, AcknowledgedReadArmsTheAnswerTimeout)
{
    TransferRun c;
    c.f.comPort.onWrite = nullptr;
    ASSERT_EQ(c.start(), StatusCode::Ok);
    c.f.comPort.receive("ACK\r");
    c.p.typing.capsLockMode = CapsLockMode::CapsKeyToggles;
    c.f.log.clear();
    c.p.port.readerPass();
    EXPECT_EQ(c.f.log, (EventLog{timerKill(), fakes::pause(100), timerSet(300)}));
}

// An application that minimizes its window (or disables its field) as
// the record's last key comes has the record: it is acknowledged once,
// after the pause before an ACK, and not typed again.
TEST(Transfer, ARecordIsAcknowledgedOnceItsLastKeyWentIn)
{
    TransferRun c;
    c.startReceiving();
    c.f.log.clear();
    c.f.keyboard.afterKeys = [&c] { c.f.keyboard.foreground.minimized = true; };
    c.f.comPort.receive(recordLine(0, "r"));
    c.p.port.readerPass();
    EXPECT_EQ(c.f.only({"timer set", "timer kill", "sleep", "down", "write"}),
              (EventLog{timerKill(), {"down", 'R'}, fakes::pause(2), fakes::pause(100), sent("ACK\r"),
                        fakes::pause(100), timerSet(300)}));
    EXPECT_EQ(c.p.transfer.expectedSequence, 1);
}

TEST(Transfer, ALineAfterTheEndMarkerDoesNotCancelTheCompletion)
{
    TransferRun c;
    c.startReceiving();
    c.f.comPort.receive("OVER\r");
    c.p.port.readerPass();
    ASSERT_EQ(c.p.transfer.state, TransferState::Complete);
    c.f.log.clear();
    c.f.comPort.receive("OVER\r");
    c.p.port.readerPass();
    EXPECT_TRUE(c.f.timer.armed);
    EXPECT_EQ(c.f.timer.intervalMs, 1u);
    EXPECT_TRUE(c.f.only({"timer kill"}).empty());
}

struct StopCase {
    const char* name;
    bool stopBeforeTyping;   // else after the first key
    std::string typed, written;
};

// A record whose typing has begun is acknowledged (the next Start would
// type it again otherwise); one completed after Stop is not typed at all.
// Either way no time-out is left armed.
TEST(Transfer, StopWhileARecordArrives)
{
    const StopCase cases[] = {
        {"completed after Stop", true, "", "READ\r"},
        {"Stop while it is typed", false, "LATE", "READ\rACK\r"},
    };
    for (const StopCase& s : cases) {
        TransferRun c;
        c.startReceiving();
        if (s.stopBeforeTyping)
            c.p.transfer.running = 0;
        else
            c.f.keyboard.afterKeys = [&c] { c.p.transfer.running = 0; };
        c.f.comPort.receive(recordLine(0, "late"));
        c.p.port.readerPass();
        EXPECT_EQ(c.typedLetters(), s.typed) << s.name;
        EXPECT_EQ(c.f.written(), s.written) << s.name;
        EXPECT_FALSE(c.f.timer.armed) << s.name;
    }
}

// The collector's own time-out ran out while our ACK was on its way: it
// sends the record again and, on that ACK, the next one, which reaches the
// port in the pause before the answer to the repeat. The collector has
// taken the first ACK: a second would count for the next record.
TEST(Transfer, ARecordArrivingBehindARepeatIsTypedAndTheRepeatNotAnswered)
{
    TransferRun c;
    c.startReceiving();
    const std::string first = recordLine(0, "r0");
    c.f.comPort.receive(first);
    c.p.port.readerPass();
    c.f.comPort.receive(first);
    c.f.comPort.arriveAt(c.f.clock.now + 50, recordLine(1, "r1"));
    c.p.port.readerPass();
    c.p.port.readerPass();
    EXPECT_EQ(c.typedLetters(), "R0R1");
    EXPECT_EQ(c.f.written(), "READ\rACK\rACK\r");
}

// The collector's own time-out ran out while the record was typed: its
// copy reached the port before the ACK went out, and the collector takes
// that ACK for the copy. It sends its next record only a while later; an
// ACK for the copy as well would count for that record.
TEST(Transfer, ACopyThatCameBeforeTheAckIsNotAnswered)
{
    TransferRun c;
    c.startReceiving();
    const std::string first = recordLine(0, "r0");
    c.f.keyboard.afterKeys = [&] {
        if (c.f.comPort.input.empty())
            c.f.comPort.receive(first);
    };
    c.f.comPort.receive(first);
    c.p.port.readerPass();
    c.f.keyboard.afterKeys = nullptr;
    c.p.port.readerPass();
    EXPECT_EQ(c.f.written(), "READ\rACK\r");
    EXPECT_EQ(c.f.timer.intervalMs, 300u) << "the answer time-out runs: a NAK if nothing comes";
    c.f.comPort.receive(recordLine(1, "r1"));
    c.p.port.readerPass();
    EXPECT_EQ(c.typedLetters(), "R0R1");
    EXPECT_EQ(c.f.written(), "READ\rACK\rACK\r");
}

TEST(Transfer, AFailedAcknowledgementBecomesANak)
{
    TransferRun c;
    c.startReceiving();
    c.f.comPort.writeFails = true;
    c.f.comPort.receive(recordLine(0, "r"));
    c.p.port.readerPass();
    EXPECT_EQ(c.f.timer.intervalMs, 1u);
    c.f.comPort.writeFails = false;
    c.p.series.onDeadline(c.f.timer.deadline);
    EXPECT_EQ(c.f.written().substr(c.f.written().size() - 4), "NAK\r");
}

TEST(Transfer, AFailedFirstReadIsReported)
{
    TransferRun c;
    c.f.comPort.writeFails = true;
    EXPECT_EQ(c.start(), StatusCode::PortWriteFailed);
}

}  // namespace
}  // namespace orvanta

namespace orvanta {
namespace {

// Noise before a record in one chunk: the noise line is answered through
// the NAK path, which drops the rest of the chunk; the record's last byte,
// its CR, arrives on its own. That empty line must not be acknowledged, or
// the collector takes the record as delivered although it was never typed.
TEST(Transfer, TheTailOfADroppedRecordIsNotAcknowledged)
{
    TransferRun c;
    c.startReceiving();
    const std::string record = recordLine(0, "4006381333931");
    c.f.comPort.receive("\x07#~\x93\r" + record.substr(0, record.size() - 1));
    c.p.port.readerPass();
    c.f.comPort.receive("\r");
    c.p.port.readerPass();
    EXPECT_EQ(c.f.written(), "READ\r") << "no ACK for a record that was not typed";
    EXPECT_EQ(c.typedLetters(), "");
    EXPECT_EQ(c.f.timer.intervalMs, 1u) << "answered through the NAK path";

    c.p.series.onDeadline(c.f.timer.deadline);
    c.f.comPort.receive(record);
    c.p.port.readerPass();
    EXPECT_EQ(c.f.written(), "READ\rNAK\rACK\r");
    EXPECT_EQ(c.typedLetters(), "4006381333931");
}

}  // namespace
}  // namespace orvanta

namespace orvanta {
namespace {

// A record arriving slowly, in pieces further apart than nothing but its
// length: every piece starts the answer time-out again, so no NAK goes out
// while it is still coming and it is typed and acknowledged once.
TEST(Transfer, ASlowRecordIsNotAnsweredWithNakWhileItArrives)
{
    TransferRun c;
    c.startReceiving();
    const std::string record = recordLine(0, std::string(600, 'q'));
    for (std::size_t at = 0; at + 100 < record.size(); at += 100) {
        c.f.comPort.receive(record.substr(at, 100));
        c.p.port.readerPass();
        EXPECT_EQ(c.f.log.back(), timerSet(300)) << "after the piece at " << at;
    }
    c.f.comPort.receive(record.substr(record.size() / 100 * 100));
    c.p.port.readerPass();
    EXPECT_EQ(c.f.written(), "READ\rACK\r");
    EXPECT_EQ(c.typedLetters(), std::string(600, 'Q'));
}

TEST(Transfer, AnOverLongLineStillGetsItsNak)
{
    TransferRun c;
    c.startReceiving();
    c.f.comPort.receive(std::string(kMaxLineLength + 1, 'x'));
    c.p.port.readerPass();
    c.f.log.clear();
    c.f.comPort.receive(std::string(50, 'x'));
    c.p.port.readerPass();
    EXPECT_TRUE(c.f.only({"timer set"}).empty()) << "the time-out of the line runs out";
}

}  // namespace
}  // namespace orvanta
