#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "protocol/conversation.h"

namespace orvanta {
namespace {

using fakes::kDialogWindow;
using testing::Conversation;

struct ReportLog final : SeriesObserver {
    void seriesChanged(const SeriesReport& report) override { states.push_back(report.state); }
    std::vector<SeriesState> states;
};

// A keep-online conversation: polls every 2 s, its reports recorded.
struct Series : Conversation {
    ReportLog reports;
    Series()
    {
        p.settings.keepOnline = 1;
        p.settings.pollingSeconds = 2;
        p.machine.timerOwner = kDialogWindow;
        p.machine.observer = &reports;
        collector.records = {"a1", "b2"};
    }
};

struct SeriesCase {
    const char* name;
    std::function<void(Series&)> disturb, mend;
    int timeoutsUntilMended;
    std::vector<std::string> commands;   // as the collector heard them
    std::string typed;
    SeriesState afterFailure;
};

// A failed transfer ends only itself: the port is closed, nothing is shown,
// and the next poll opens the port again and sends READ.
TEST(KeepOnline, TheSeriesGoesOnAfterEachKindOfFailure)
{
    const SeriesCase cases[] = {
        {"records stop coming", [](Series& s) { s.collector.silentAfterReadAck = true; },
         [](Series& s) { s.collector.silentAfterReadAck = false; }, 7,
         {"READ\r", "NAK\r", "NAK\r", "NAK\r", "NAK\r", "NAK\r", "NAK\r", "READ\r", "ACK\r", "ACK\r"}, "A1B2",
         SeriesState::TransferFailed},
        {"the first READ cannot be written", [](Series& s) { s.f.comPort.writeFails = true; },
         [](Series& s) { s.f.comPort.writeFails = false; }, 0, {"READ\r", "ACK\r", "ACK\r"}, "A1B2",
         SeriesState::WaitingForPort},
        {"the port is not there at the start", [](Series& s) { s.f.comPort.openFails = true; },
         [](Series& s) { s.f.comPort.openFails = false; }, 3, {"READ\r", "ACK\r", "ACK\r"}, "A1B2",
         SeriesState::WaitingForPort},
        // No record is typed on a port known to be gone.
        {"the port is lost as records come",   // at the Caps Lock look before the first record
         [](Series& s) { s.f.keyboard.afterKeys = [&s] { s.f.comPort.deviceGone = true; }; },
         [](Series& s) {
             s.f.keyboard.afterKeys = nullptr;
             s.f.comPort.deviceGone = false;
         },
         1, {"READ\r", "READ\r", "ACK\r", "ACK\r"}, "A1B2", SeriesState::WaitingForPort},
        // The ACK of a1 went down with the port: the collector sends a1 again.
        {"the port is lost between a record and its ACK",
         [](Series& s) {
             s.f.keyboard.afterKeys = [&s] { s.f.comPort.deviceGone = s.typedLetters() == "A1"; };
         },
         [](Series& s) {
             s.f.keyboard.afterKeys = nullptr;
             s.f.comPort.deviceGone = false;
         },
         1, {"READ\r", "READ\r", "ACK\r", "ACK\r"}, "A1A1B2", SeriesState::WaitingForPort},
        // Nobody reads the port: as good as lost.
        {"the receive thread ends by itself",
         [](Series& s) { s.f.comPort.maskFails = s.f.threads.runAtStart = true; },
         [](Series& s) { s.f.comPort.maskFails = s.f.threads.runAtStart = false; }, 1,
         {"READ\r", "READ\r", "ACK\r", "ACK\r"}, "A1B2", SeriesState::WaitingForPort},
    };
    for (const SeriesCase& sc : cases) {
        Series s;
        sc.disturb(s);
        ASSERT_EQ(s.start(), 1) << sc.name;
        s.run(sc.timeoutsUntilMended);
        EXPECT_EQ(s.p.port.portHandle, PortHandle::None) << sc.name;
        EXPECT_EQ(s.f.timer.intervalMs, 2000u) << sc.name << ": the next poll";
        ASSERT_FALSE(s.reports.states.empty()) << sc.name;
        EXPECT_EQ(s.reports.states.back(), sc.afterFailure) << sc.name;
        sc.mend(s);
        s.run(2);
        EXPECT_EQ(s.collector.commands, sc.commands) << sc.name;
        EXPECT_EQ(s.typedLetters(), sc.typed) << sc.name;
        EXPECT_TRUE(s.f.only({"box"}).empty()) << sc.name;
        EXPECT_EQ(s.p.port.portHandle, PortHandle::Open) << sc.name;
        EXPECT_EQ(s.reports.states.back(), SeriesState::Collecting) << sc.name;
        EXPECT_TRUE(s.p.machine.busy()) << sc.name;
    }
}

struct PauseCase {
    const char* name;
    bool keepOnline;
    int timeoutsWithoutWindow;
    std::vector<std::string> commands;
    std::string typed;
    std::string box;
};

// No window to type into is a pause: nothing is acknowledged, no NAK goes
// out and no retry is counted; once a window can take keys a fresh READ
// brings the rest. A one-shot transfer waits as long as its NAKs would
// have lasted.
TEST(KeepOnline, NoWindowToTypeIntoPausesWithoutUsingUpRetries)
{
    const PauseCase cases[] = {
        {"keep-online, a gap of many polls", true, 20, {"READ\r", "ACK\r", "READ\r", "ACK\r"}, "A1B2", ""},
        {"one-shot, a window within the wait", false, 4, {"READ\r", "ACK\r", "READ\r", "ACK\r"}, "A1B2", ""},
        {"one-shot, no window within the wait", false, 7, {"READ\r", "ACK\r"}, "A1",
         "Error: No window to type the records into !!"},
    };
    for (const PauseCase& pc : cases) {
        Series s;
        s.p.settings.keepOnline = pc.keepOnline ? 1 : 0;
        auto collector = s.f.comPort.onWrite;
        s.f.comPort.onWrite = [&s, collector](const std::string& text, const LineConfig& line) {
            if (text == "ACK\r" && s.typedLetters() == "A1")   // the user locks the workstation
                s.f.keyboard.foreground = ForegroundWindow{};
            collector(text, line);
        };
        ASSERT_EQ(s.start(), 1) << pc.name;
        s.run(pc.timeoutsWithoutWindow);
        EXPECT_EQ(s.p.transfer.nakRetryCount, 0u) << pc.name;
        EXPECT_LE(s.p.transfer.readRetryCount, 1u) << pc.name;
        s.f.keyboard.foreground = fakes::kUserWindow;
        s.run(2);
        EXPECT_EQ(s.collector.commands, pc.commands) << pc.name;
        EXPECT_EQ(s.typedLetters(), pc.typed) << pc.name;
        const auto boxes = s.f.only({"box"});
        EXPECT_EQ(boxes.empty() ? "" : boxes[0].text, pc.box) << pc.name;
    }
}

// Before the PC sleeps the port is closed; after the resume, or when the
// port arrives again, it is opened a settle pause later with the whole line
// configuration, and READ follows.
TEST(KeepOnline, ThePortIsOpenedAgainAfterSleepAndOnArrival)
{
    Series s;
    s.p.settings.pollingSeconds = 5;
    ASSERT_EQ(s.start(), 1);
    s.run(1);
    ASSERT_EQ(s.typedLetters(), "A1B2");
    s.p.machine.OnSuspend();
    EXPECT_EQ(s.p.port.portHandle, PortHandle::None);
    EXPECT_EQ(s.f.timer.intervalMs, 5000u) << "a poll, should no resume be announced";
    EXPECT_EQ(s.reports.states.back(), SeriesState::WaitingForPort);
    s.p.machine.OnResume();
    EXPECT_EQ(s.f.timer.intervalMs, kReopenSettleMs);
    s.f.timer.intervalMs = 0;
    s.p.machine.OnPortArrived(7);
    EXPECT_EQ(s.f.timer.intervalMs, 0u) << "another port";
    s.p.machine.OnPortArrived(s.p.settings.comPort);
    EXPECT_EQ(s.f.timer.intervalMs, kReopenSettleMs);
    s.f.log.clear();
    s.collector.next = 0;
    s.run(2);
    EXPECT_EQ(s.f.only({"open", "line"}).size(), 2u);
    EXPECT_EQ(s.p.port.portHandle, PortHandle::Open);
    EXPECT_EQ(s.typedLetters(), "A1B2") << "the collector's records once more";

    s.p.machine.OnSessionEnd();
    EXPECT_EQ(s.p.port.portHandle, PortHandle::None);
    EXPECT_FALSE(s.p.machine.busy());
    EXPECT_EQ(s.reports.states.back(), SeriesState::Idle);
}

// The receive thread's requests to the timer go through the UI thread's
// queue. A stop it asked for as the port was being closed (it was handling
// a line) is stale once it has ended: carried out after the series armed
// its next poll, it would leave the series waiting for ever.
TEST(KeepOnline, AStopTheReceiveThreadAskedForDoesNotCancelTheNextPoll)
{
    Series s;
    ASSERT_EQ(s.start(), 1);
    s.f.timer.relayed = true;
    s.p.transfer.running = false;   // the UI thread has begun to close the port
    s.p.port.readerPass();
    ASSERT_FALSE(s.f.timer.pending.empty());
    s.f.timer.relayed = false;
    s.p.machine.OnSuspend();
    s.f.timer.carryOutPending();
    EXPECT_TRUE(s.f.timer.armed);
    EXPECT_EQ(s.f.timer.intervalMs, 2000u);
}

// Asked whether the session may end, the program stops the record being
// typed at its next key, unacknowledged, before it answers, and types
// nothing more until the session says it goes on after all; then the record
// comes whole.
TEST(KeepOnline, TypingStopsWhenTheSessionIsAskedToEnd)
{
    Series s;
    s.collector.records = {"abcdef"};
    s.f.keyboard.afterKeys = [&s] {
        if (s.typedLetters() == "A" && s.p.port.portHandle == PortHandle::Open)
            s.p.machine.OnSessionEnding();
    };
    ASSERT_EQ(s.start(), 1);
    s.run(0);
    EXPECT_EQ(s.typedLetters(), "A");
    EXPECT_EQ(s.collector.commands, std::vector<std::string>{"READ\r"});
    EXPECT_EQ(s.p.port.portHandle, PortHandle::None);
    EXPECT_EQ(s.f.timer.intervalMs, kSessionEndWaitMs);
    s.f.keyboard.afterKeys = nullptr;
    s.p.machine.OnSessionGoesOn();
    EXPECT_EQ(s.f.timer.intervalMs, kReopenSettleMs);
    s.run(2);
    EXPECT_EQ(s.typedLetters(), "AABCDEF");
    EXPECT_EQ(s.collector.commands, (std::vector<std::string>{"READ\r", "READ\r", "ACK\r"}));
}

struct EndingCase {
    const char* name;
    std::function<void(Conversation&)> disturb;
    int exitCode;
};

// The exit code of each way an unattended run ends; the give-up cases are
// rows of the retry table.
TEST(Unattended, EachEndingHasItsExitCode)
{
    const EndingCase cases[] = {
        {"complete", [](Conversation&) {}, 1},
        {"nothing to send", [](Conversation& c) { c.collector.records.clear(); }, 1},
        {"port missing", [](Conversation& c) { c.f.comPort.openFails = true; }, 101},
        {"first READ not written", [](Conversation& c) { c.f.comPort.writeFails = true; }, 107},
        {"port lost after a record",
         [](Conversation& c) { c.f.keyboard.afterKeys = [&c] { c.f.comPort.deviceGone = true; }; }, 107},
    };
    for (const EndingCase& ec : cases) {
        Conversation c;
        c.interactive = false;
        c.collector.records = {"a1", "b2"};
        ec.disturb(c);
        const int started = c.start();
        if (started == 1)
            c.run();
        c.p.machine.ClosePort();
        EXPECT_EQ(unattendedExitCode(started == 1 ? c.p.machine.unattendedResult() : started), ec.exitCode)
            << ec.name;
    }
}

}  // namespace
}  // namespace orvanta
