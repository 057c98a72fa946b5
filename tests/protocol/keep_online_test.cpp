#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_platform.h"
#include "protocol/transfer_run.h"

namespace orvanta {
namespace {

using fakes::kDialogWindow;
using testing::TransferRun;

struct ReportLog final : SeriesObserver {
    void seriesChanged(const SeriesReport& report) override { states.push_back(report.state); }
    std::vector<SeriesState> states;
};

// A keep-online conversation: polls every 2 s, its reports recorded.
struct SeriesRun : TransferRun {
    ReportLog reports;
    SeriesRun()
    {
        p.settings.keepOnline = 1;
        p.settings.pollingSeconds = 2;
        p.series.observer = &reports;
        collector.records = {"a1", "b2"};
    }

    // The receive thread's passes; its requests to the timer wait for the
    // UI thread, which may do other things first.
    void readerPasses()
    {
        f.timer.relayed = true;
        while (p.transfer.running && !f.threads.ended && f.comPort.clearErrors() > 0)
            p.port.readerPass();
        f.timer.relayed = false;
        if (closing)
            std::exchange(closing, nullptr)();
    }
    // The UI thread began to close the port while a record was typed: the
    // rest of its work comes once the receive thread has ended.
    void closeWhileTyping(std::function<void()> rest)
    {
        p.transfer.running = false;
        p.typing.stopRequested = true;
        closing = std::move(rest);
    }
    std::function<void()> closing;
    // Armed, once the UI thread has carried out what is posted to it.
    bool isArmed() const
    {
        return f.timer.pending.empty() ? f.timer.armed : f.timer.pending.back().second > 0;
    }
    // One expiry of the protocol timer, after the posted requests (they come
    // first); how long it had to wait.
    std::uint32_t expire()
    {
        f.timer.carryOutPending();
        if (!f.timer.armed)
            return 0;
        const std::uint32_t waited = f.timer.intervalMs;
        f.clock.now += waited;
        p.series.onDeadline(f.timer.deadline);
        return waited;
    }
};

constexpr ForegroundWindow kOtherWindow{.exists = true, .layout = fakes::kUsLayout, .id = 0xE7, .thread = 7};

// A record equal to the last one, in the next transfer, is a new scan.
TEST(KeepOnline, PollsAgainAndTypesARecordEqualToTheLastOne)
{
    TransferRun c;
    c.p.settings.keepOnline = 1;
    c.p.settings.pollingSeconds = 3;
    c.collector.records = {"s1"};
    ASSERT_EQ(c.start(), StatusCode::Ok);
    c.run(1);   // READ, record, OVER, completion time-out
    ASSERT_EQ(c.typedLetters(), "S1");
    EXPECT_EQ(c.f.timer.intervalMs, 3000u) << "next poll in pollingSeconds";
    EXPECT_EQ(c.p.transfer.state, TransferState::AwaitingAck);
    EXPECT_EQ(c.p.transfer.running, 1);

    c.collector.next = 0;   // the same record once more
    c.run(2);
    EXPECT_EQ(c.typedLetters(), "S1S1");
    EXPECT_EQ(c.count("READ\r"), 2);
    EXPECT_EQ(c.p.port.portHandle, PortHandle::Open);
}

// A poll whose time comes while no window could take a record (a locked
// workstation) sends no READ; the next poll asks again.
TEST(KeepOnline, SendsNoReadWhileNoWindowCouldTakeARecord)
{
    TransferRun c;
    c.p.settings.keepOnline = 1;
    c.p.settings.pollingSeconds = 4;
    c.collector.records = {"k1"};
    c.f.keyboard.foreground = ForegroundWindow{};
    ASSERT_EQ(c.start(), StatusCode::Ok);
    c.run(3);
    EXPECT_EQ(c.collector.commands, std::vector<std::string>{});
    EXPECT_EQ(c.f.timer.intervalMs, 4000u);
    EXPECT_EQ(c.p.transfer.state, TransferState::AwaitingAck);

    c.f.keyboard.foreground = fakes::kUserWindow;
    c.run(2);
    EXPECT_EQ(c.typedLetters(), "K1");
    EXPECT_EQ(c.collector.commands, (std::vector<std::string>{"READ\r", "ACK\r"}));
}

struct SeriesCase {
    const char* name;
    std::function<void(SeriesRun&)> disturb, mend;
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
        {"records stop coming", [](SeriesRun& s) { s.collector.silentAfterReadAck = true; },
         [](SeriesRun& s) { s.collector.silentAfterReadAck = false; }, 7,
         {"READ\r", "NAK\r", "NAK\r", "NAK\r", "NAK\r", "NAK\r", "NAK\r", "READ\r", "ACK\r", "ACK\r"}, "A1B2",
         SeriesState::TransferFailed},
        {"the first READ cannot be written", [](SeriesRun& s) { s.f.comPort.writeFails = true; },
         [](SeriesRun& s) { s.f.comPort.writeFails = false; }, 0, {"READ\r", "ACK\r", "ACK\r"}, "A1B2",
         SeriesState::WaitingForPort},
        {"the port is not there at the start", [](SeriesRun& s) { s.f.comPort.openFails = true; },
         [](SeriesRun& s) { s.f.comPort.openFails = false; }, 3, {"READ\r", "ACK\r", "ACK\r"}, "A1B2",
         SeriesState::WaitingForPort},
        // No record is typed on a port known to be gone.
        {"the port is lost as records come",   // at the Caps Lock look before the first record
         [](SeriesRun& s) { s.f.keyboard.afterKeys = [&s] { s.f.comPort.deviceGone = true; }; },
         [](SeriesRun& s) {
             s.f.keyboard.afterKeys = nullptr;
             s.f.comPort.deviceGone = false;
         },
         1, {"READ\r", "READ\r", "ACK\r", "ACK\r"}, "A1B2", SeriesState::WaitingForPort},
        // The ACK of a1 went down with the port: the collector sends a1 again.
        {"the port is lost between a record and its ACK",
         [](SeriesRun& s) {
             s.f.keyboard.afterKeys = [&s] { s.f.comPort.deviceGone = s.typedLetters() == "A1"; };
         },
         [](SeriesRun& s) {
             s.f.keyboard.afterKeys = nullptr;
             s.f.comPort.deviceGone = false;
         },
         1, {"READ\r", "READ\r", "ACK\r", "ACK\r"}, "A1A1B2", SeriesState::WaitingForPort},
        // Nobody reads the port: as good as lost, and no READ goes to it.
        {"the receive thread ends by itself",
         [](SeriesRun& s) { s.f.comPort.maskFails = s.f.threads.runAtStart = true; },
         [](SeriesRun& s) { s.f.comPort.maskFails = s.f.threads.runAtStart = false; }, 1,
         {"READ\r", "ACK\r", "ACK\r"}, "A1B2", SeriesState::WaitingForPort},
    };
    for (const SeriesCase& sc : cases) {
        SeriesRun s;
        sc.disturb(s);
        ASSERT_EQ(s.start(), StatusCode::Ok) << sc.name;
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
        EXPECT_TRUE(s.p.series.busy()) << sc.name;
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
        SeriesRun s;
        s.p.settings.keepOnline = pc.keepOnline ? 1 : 0;
        auto collector = s.f.comPort.onWrite;
        s.f.comPort.onWrite = [&s, collector](const std::string& text, const LineConfig& line) {
            if (text == "ACK\r" && s.typedLetters() == "A1")   // the user locks the workstation
                s.f.keyboard.foreground = ForegroundWindow{};
            collector(text, line);
        };
        ASSERT_EQ(s.start(), StatusCode::Ok) << pc.name;
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
    SeriesRun s;
    s.p.settings.pollingSeconds = 5;
    ASSERT_EQ(s.start(), StatusCode::Ok);
    s.run(1);
    ASSERT_EQ(s.typedLetters(), "A1B2");
    s.p.series.onSuspend();
    EXPECT_EQ(s.p.port.portHandle, PortHandle::None);
    EXPECT_EQ(s.f.timer.intervalMs, 5000u) << "a poll, should no resume be announced";
    EXPECT_EQ(s.reports.states.back(), SeriesState::WaitingForPort);
    s.p.series.onResume();
    EXPECT_EQ(s.f.timer.intervalMs, kReopenSettleMs);
    s.f.timer.intervalMs = 0;
    s.p.series.onPortArrived(7);
    EXPECT_EQ(s.f.timer.intervalMs, 0u) << "another port";
    s.p.series.onPortArrived(s.p.settings.comPort);
    EXPECT_EQ(s.f.timer.intervalMs, kReopenSettleMs);
    s.f.log.clear();
    s.collector.next = 0;
    s.run(2);
    EXPECT_EQ(s.f.only({"open", "line"}).size(), 2u);
    EXPECT_EQ(s.p.port.portHandle, PortHandle::Open);
    EXPECT_EQ(s.typedLetters(), "A1B2") << "the collector's records once more";

    s.p.series.stop();   // the session has ended
    EXPECT_EQ(s.p.port.portHandle, PortHandle::None);
    EXPECT_FALSE(s.p.series.busy());
    EXPECT_EQ(s.reports.states.back(), SeriesState::Idle);
}

// The receive thread's requests to the timer go through the UI thread's
// queue. A stop it asked for as the port was being closed (it was handling
// a line) is stale once it has ended: carried out after the series armed
// its next poll, it would leave the series waiting for ever.
TEST(KeepOnline, AStopTheReceiveThreadAskedForDoesNotCancelTheNextPoll)
{
    SeriesRun s;
    ASSERT_EQ(s.start(), StatusCode::Ok);
    s.f.timer.relayed = true;
    s.p.transfer.running = false;   // the UI thread has begun to close the port
    s.p.port.readerPass();
    ASSERT_FALSE(s.f.timer.pending.empty());
    s.f.timer.relayed = false;
    s.p.series.onSuspend();
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
    SeriesRun s;
    s.collector.records = {"abcdef"};
    s.f.keyboard.afterKeys = [&s] {
        if (s.typedLetters() == "A" && s.p.port.portHandle == PortHandle::Open)
            s.p.series.onSessionEnding();
    };
    ASSERT_EQ(s.start(), StatusCode::Ok);
    s.run(0);
    EXPECT_EQ(s.typedLetters(), "A");
    EXPECT_EQ(s.collector.commands, std::vector<std::string>{"READ\r"});
    EXPECT_EQ(s.p.port.portHandle, PortHandle::None);
    EXPECT_EQ(s.f.timer.intervalMs, kSessionEndWaitMs);
    s.f.keyboard.afterKeys = nullptr;
    s.p.series.onSessionGoesOn();
    EXPECT_EQ(s.f.timer.intervalMs, kReopenSettleMs);
    s.run(2);
    EXPECT_EQ(s.typedLetters(), "AABCDEF");
    EXPECT_EQ(s.collector.commands, (std::vector<std::string>{"READ\r", "READ\r", "ACK\r"}));
}

// The watchdog: a series whose deadline was stopped behind its back, or
// whose port went unseen with polls far apart, is started again after the
// grace period, says so, and goes on as if its port had come back.
TEST(KeepOnline, TheWatchdogStartsAStuckSeriesAgain)
{
    const struct {
        const char* name;
        std::function<void(SeriesRun&)> stick;
    } cases[] = {
        {"a stale stop", [](SeriesRun& s) { s.p.timer.stop(); }},
        {"a lost port whose hand-over was lost", [](SeriesRun& s) { s.f.comPort.deviceGone = true; }},
    };
    for (const auto& c : cases) {
        SeriesRun s;
        s.p.settings.pollingSeconds = 600;
        ASSERT_EQ(s.start(), StatusCode::Ok) << c.name;
        s.run(1);
        ASSERT_EQ(s.typedLetters(), "A1B2") << c.name;
        ASSERT_EQ(s.f.timer.intervalMs, 600000u) << c.name << ": the next poll";
        c.stick(s);
        EXPECT_FALSE(s.p.series.watch(s.f.clock.now)) << c.name << ": within the grace period";
        s.f.clock.now += kWatchdogGraceMs + 1;
        EXPECT_TRUE(s.p.series.watch(s.f.clock.now)) << c.name;
        EXPECT_EQ(s.reports.states.back(), SeriesState::StartedAgain) << c.name;
        EXPECT_EQ(s.f.timer.intervalMs, kReopenSettleMs) << c.name;
        s.f.comPort.deviceGone = false;
        s.collector.records.push_back("c3");
        s.run(1);
        EXPECT_EQ(s.typedLetters(), "A1B2C3") << c.name;
    }
}

// What the property test draws between steps: the collector's, the port's,
// the window's and the system's turns, as they can interleave on a PC.
struct Disturber {
    SeriesRun& s;
    std::mt19937 random;
    bool stopped = false;

    int draw(int below) { return static_cast<int>(random() % static_cast<unsigned>(below)); }

    void atKey(std::function<void()> act)
    {
        const std::size_t at = s.typedLetters().size() + 1 + static_cast<std::size_t>(draw(4));
        s.f.keyboard.afterKeys = [this, at, act] {
            if (s.typedLetters().size() == at)
                act();
        };
    }

    void step()
    {
        Program& p = s.p;
        switch (draw(20)) {
        case 0: case 1: case 2: return s.readerPasses();
        case 3: case 4: case 5: s.expire(); return;
        case 6: s.collector.silentAfterReadAck = !s.collector.silentAfterReadAck; return;
        case 7: s.collector.damageFirst = static_cast<int>(s.collector.next); return;
        case 8: s.collector.earlyTimeoutOf = static_cast<int>(s.collector.next); return;
        case 9: s.collector.loseAckOf = static_cast<int>(s.collector.next); return;
        case 10:
            if (draw(2))
                s.f.comPort.openFails = !s.f.comPort.openFails;
            else   // the receive thread ends as it starts
                s.f.comPort.maskFails = s.f.threads.runAtStart = !s.f.threads.runAtStart;
            return;
        case 11: return atKey([this] { s.f.comPort.deviceGone = true; });
        case 12: s.f.comPort.deviceGone = false; return p.series.onPortArrived(draw(2) ? p.settings.comPort : 0);
        case 13: return atKey([this] { s.f.keyboard.foreground = draw(2) ? ForegroundWindow{} : kOtherWindow; });
        case 14: s.f.keyboard.foreground = fakes::kUserWindow; return;
        case 15: return draw(2) ? p.series.onSuspend() : p.series.onResume();
        case 16: return draw(2) ? p.series.onSessionEnding() : p.series.onSessionGoesOn();
        case 17: s.f.timer.carryOutPending(); return;
        case 18: s.f.keyboard.heldModifierLooks = draw(3) * 20; return;
        case 19: return draw(2) ? stopOrStart() : atKey([this] { closeWhileTyping(); });
        }
    }

    void closeWhileTyping()
    {
        if (stopped || !s.p.transfer.running)
            return;
        switch (draw(3)) {
        case 0: return s.closeWhileTyping([this] { s.p.series.onSuspend(); });
        case 1: return s.closeWhileTyping([this] { s.p.series.onSessionEnding(); });
        default: return s.closeWhileTyping([this] { stopOrStart(); });
        }
    }

    void stopOrStart()
    {
        if (stopped) {
            s.p.series.reset();
            stopped = s.p.series.start() != StatusCode::Ok;
        } else {
            s.p.series.closePort();
            s.p.series.reset();
            stopped = true;
        }
    }

    // Everything is as it should be again, and the user has not stopped.
    void mend()
    {
        s.collector.silentAfterReadAck = false;
        s.f.comPort.openFails = s.f.comPort.deviceGone = s.f.comPort.maskFails = s.f.threads.runAtStart = false;
        s.f.keyboard.afterKeys = nullptr;
        s.f.keyboard.foreground = fakes::kUserWindow;
        s.f.keyboard.heldModifierLooks = 0;
        s.p.series.onSessionGoesOn();
        if (stopped)
            stopOrStart();
    }
};

// Typed letters read as the records in order: a record may be preceded by a
// piece of it (its typing was stopped) or followed by a copy of it. Returns
// how many records were read; -1 when something else was typed.
int readRecords(const std::string& typed, const std::vector<std::string>& records)
{
    std::size_t at = 0, next = 0;
    while (at < typed.size()) {
        if (next < records.size() && typed.compare(at, records[next].size(), records[next]) == 0) {
            at += records[next++].size();
        } else if (next > 0 && typed.compare(at, records[next - 1].size(), records[next - 1]) == 0) {
            at += records[next - 1].size();
        } else if ((next < records.size() && typed[at] == records[next][0]) ||
                   (next > 0 && typed[at] == records[next - 1][0])) {
            ++at;   // a piece: the record, or its copy, comes whole after it
        } else {
            return -1;
        }
    }
    return static_cast<int>(next);
}

// How often record r ("A1", "B2", ...) was typed whole.
std::size_t copiesOf(const std::string& typed, std::size_t r)
{
    const std::string record{static_cast<char>('A' + r), static_cast<char>('1' + r)};
    std::size_t copies = 0;
    for (std::size_t at = typed.find(record); at != std::string::npos; at = typed.find(record, at + 1))
        ++copies;
    return copies;
}

// A keep-online series cannot stop by itself: in thousands of random
// interleavings of lines, faults, time-outs, late requests of the receive
// thread, port loss and arrival, sleep, the session's end, windows that go
// and Stop/Start, the series always has something armed, and once the
// faults are mended it sends a command within a poll and the settle pause
// of timer time, until every record is typed once and acknowledged.
TEST(KeepOnline, ASeriesCannotStopByItself)
{
    for (unsigned seed = 1; seed <= 2000; ++seed) {
        SeriesRun s;
        s.collector.records = {"A1", "B2", "C3", "D4", "E5", "F6"};
        Disturber d{s, std::mt19937(seed)};
        // A record typed whose ACK the collector did not get (it went with
        // the port, or was lost) comes again in the next transfer, which
        // cannot tell it from a new scan of the same code: it may be typed
        // once more for each READ that finds it typed and unacknowledged.
        std::vector<std::size_t> copiesAllowed(6, 1);
        auto collector = s.f.comPort.onWrite;
        s.f.comPort.onWrite = [&](const std::string& text, const LineConfig& line) {
            const std::size_t next = s.collector.next;
            if (next < 6 && text == "READ\r")
                copiesAllowed[next] = std::max(copiesAllowed[next], copiesOf(s.typedLetters(), next) + 1);
            if (next < 6 && text == "ACK\r" && s.collector.loseAckOf < 0) {
                EXPECT_GT(copiesOf(s.typedLetters(), next), 0u) << "acknowledged before it was typed";
            }
            collector(text, line);
        };
        ASSERT_EQ(s.start(), StatusCode::Ok);
        for (int i = 0; i < 60 && !HasFailure(); ++i) {
            d.step();
            if (!d.stopped && !s.isArmed())
                ADD_FAILURE() << "seed " << seed << ": nothing armed after step " << i;
            if (s.p.series.watch(s.f.clock.now))
                ADD_FAILURE() << "seed " << seed << ": the watchdog stepped in after step " << i;
        }
        d.mend();
        std::uint64_t quietMs = 0;
        for (int i = 0; i < 200 && s.collector.next < s.collector.records.size() && !HasFailure(); ++i) {
            const std::size_t heard = s.collector.commands.size();
            s.readerPasses();
            ASSERT_TRUE(s.isArmed()) << "seed " << seed << ": the series stopped";
            quietMs = s.collector.commands.size() == heard ? quietMs + s.expire() : 0;
            ASSERT_LE(quietMs, 2000 + kReopenSettleMs) << "seed " << seed << ": no command for too long";
        }
        EXPECT_EQ(readRecords(s.typedLetters(), s.collector.records), 6)
            << "seed " << seed << ": typed " << s.typedLetters();
        EXPECT_EQ(s.collector.next, 6u) << "seed " << seed;
        for (std::size_t r = 0; r < 6; ++r)
            EXPECT_LE(copiesOf(s.typedLetters(), r), copiesAllowed[r]) << "seed " << seed << ": " << s.typedLetters();
        if (HasFailure())
            return;
    }
}

struct EndingCase {
    const char* name;
    std::function<void(TransferRun&)> disturb;
    int exitCode;
};

// The exit code of each way an unattended run ends; the give-up cases are
// rows of the retry table.
TEST(Unattended, EachEndingHasItsExitCode)
{
    const EndingCase cases[] = {
        {"complete", [](TransferRun&) {}, 1},
        {"nothing to send", [](TransferRun& c) { c.collector.records.clear(); }, 1},
        {"port missing", [](TransferRun& c) { c.f.comPort.openFails = true; }, 101},
        {"first READ not written", [](TransferRun& c) { c.f.comPort.writeFails = true; }, 107},
        {"port lost after a record",
         [](TransferRun& c) { c.f.keyboard.afterKeys = [&c] { c.f.comPort.deviceGone = true; }; }, 107},
    };
    for (const EndingCase& ec : cases) {
        TransferRun c;
        c.interactive = false;
        c.collector.records = {"a1", "b2"};
        ec.disturb(c);
        if (c.start() == StatusCode::Ok)
            c.run();
        c.p.series.closePort();
        EXPECT_EQ(unattendedExitCode(c.unattended.result), ec.exitCode) << ec.name;
    }
}

}  // namespace
}  // namespace orvanta
