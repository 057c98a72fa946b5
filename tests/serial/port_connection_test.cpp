#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "serial/port_health.h"

namespace orvanta {
namespace {

using fakes::Event;
using fakes::EventLog;
using fakes::FakeProgram;
using fakes::pause;
using fakes::purged;
using fakes::sent;
using fakes::timerKill;
using fakes::timerSet;

TEST(PortConnection, DeviceNameHasTwoBackslashesAFullStopAndNoLeadingZeros)
{
    const std::pair<int, const char*> cases[] = {{1, "\\\\.\\COM1"}, {12, "\\\\.\\COM12"}, {255, "\\\\.\\COM255"}};
    for (const auto& [port, expected] : cases) {
        char name[16];
        comDeviceName(port, name);
        EXPECT_STREQ(name, expected);
    }
}

// Everything another program can leave set on a port that stops, drops or
// changes bytes: DSR flow control and sensitivity (nothing arrives), fNull
// (every sequence value 0 is dropped), abort on error (every read fails).
LineConfig leftByAnotherProgram()
{
    LineConfig line{9600, 7, 2, 2, false, false, true, true, false, true, true, true, true, true, true, true};
    return line;
}

TEST(PortConnection, OpensAnRs232LineWithAKnownConfigurationAndStartsTheReader)
{
    FakeProgram f;
    Program& p = *f.program;
    p.settings.transmissionType = TransmissionType::RS232;
    p.settings.comPort = 12;
    p.settings.baudIndex = 1;
    f.comPort.applied = leftByAnotherProgram();

    EXPECT_EQ(p.port.openPort(), StatusCode::Ok);
    const EventLog expected = {{"open", 0, "\\\\.\\COM12"}, {"queues", 1024}, {"timeouts"},
                               {"line", 57600, "rts on"}, {"thread start"}};
    EXPECT_EQ(f.log, expected);
    EXPECT_EQ(p.transfer.running, 1) << "set before the reader starts, which stops at once without it";
    LineConfig known;
    known.baudRate = 57600;
    EXPECT_EQ(f.comPort.applied, known);
}

struct OpenFailure {
    const char* name;
    bool openFails, eventsFail, threadFails;
    StatusCode result;
    EventLog closing;   // what the closePort after the failure does
};

TEST(PortConnection, EveryFailedOpenIsUndoneByClosePort)
{
    const OpenFailure cases[] = {
        {"device missing", true, false, false, StatusCode::PortOpenFailed, {timerKill()}},
        {"no completion event", false, true, false, StatusCode::PortOpenFailed,
         {timerKill(), {"mask", 0}, {"close events"}, purged(PurgeFlag::RxAbort | PurgeFlag::RxClear), {"close port"}}},
        {"no thread", false, false, true, StatusCode::ThreadStartFailed,
         {timerKill(), {"mask", 0}, {"close events"}, purged(PurgeFlag::RxAbort | PurgeFlag::RxClear), {"close port"}}},
    };
    for (const OpenFailure& c : cases) {
        FakeProgram f;
        Program& p = *f.program;
        p.settings.transmissionType = TransmissionType::RS232;
        f.comPort.openFails = c.openFails;
        f.comPort.eventsFail = c.eventsFail;
        f.threads.startFails = c.threadFails;
        EXPECT_EQ(p.port.openPort(), c.result) << c.name;
        f.log.clear();
        p.series.closePort();
        EXPECT_EQ(f.log, c.closing) << c.name;
        EXPECT_EQ(p.port.portHandle, PortHandle::None) << c.name;
        f.log.clear();
        p.series.closePort();
        EXPECT_EQ(f.log, EventLog{timerKill()}) << c.name << ": a second close changes nothing";
    }
}

// A thread stuck in a driver past the stop's wait is left behind. Should it
// come back while a later connection runs, it takes nothing from that one
// and reports nothing to it.
TEST(PortConnection, ClosingAnOpenConnectionStopsTheReaderBeforeThePort)
{
    const Event givenUp{"reader given up"};
    for (const bool endsInTime : {true, false}) {
        FakeProgram f;
        Program& p = *f.program;
        p.settings.transmissionType = TransmissionType::RS232;
        f.threads.endsInTime = endsInTime;
        ASSERT_EQ(p.port.openPort(), StatusCode::Ok);
        void* const firstRun = f.threads.argument_;
        p.transfer.running = 1;
        f.log.clear();
        p.series.closePort();
        EventLog expected = {timerKill(), {"mask", 0}, {"thread wait"}, {"close events"}, {"thread close"},
                             purged(PurgeFlag::RxAbort | PurgeFlag::RxClear), {"close port"}};
        if (!endsInTime)
            expected.insert(expected.begin() + 3, givenUp);
        EXPECT_EQ(f.log, expected) << endsInTime;
        EXPECT_EQ(p.transfer.running, 0);

        // The new connection's own thread, or the one left behind, comes
        // back to a port with a byte and a lost device.
        ASSERT_EQ(p.port.openPort(), StatusCode::Ok);
        auto& run = *static_cast<PortConnection::ReaderRun*>(endsInTime ? f.threads.argument_ : firstRun);
        f.comPort.receive("ACK\r");
        f.comPort.deviceGone = true;
        f.log.clear();
        f.threads.body_(&run);
        p.port.readerPass(run);
        EXPECT_EQ(f.log.empty(), !endsInTime) << "reported the loss: " << endsInTime;
        EXPECT_EQ(f.comPort.input.size(), endsInTime ? 0u : 4u) << endsInTime;
    }
}

TEST(SendCommand, PausesPurgesWritesPausesAndArmsTheTimer)
{
    FakeProgram f;
    EXPECT_EQ(f.program->conversation.sendCommand("READ\r", Deadline::Read, 300), true);
    const EventLog expected = {pause(100), purged(PurgeFlag::TxClear | PurgeFlag::RxClear), sent("READ\r"), pause(100),
                               timerSet(300)};
    EXPECT_EQ(f.log, expected);

    f.log.clear();
    EXPECT_EQ(f.program->conversation.sendCommand("ACK\r", Deadline::Answer, 300), true);
    EXPECT_EQ(f.log[1], fakes::purged(PurgeFlag::TxClear)) << "the next record may be arriving already";

    f.log.clear();
    f.comPort.onWrite = [&f](const std::string&, const LineConfig&) { f.clock.now += 30; };
    EXPECT_EQ(f.program->conversation.sendCommand("ACK\r", Deadline::Answer, 300), true);
    EXPECT_EQ(f.log[3], pause(70)) << "the pause after a command runs from the moment it began to go out";
    f.comPort.onWrite = nullptr;

    f.log.clear();
    f.comPort.writeFails = true;
    EXPECT_EQ(f.program->conversation.sendCommand("NAK\r", Deadline::Answer, 300), false);
    const EventLog failed = {pause(100), purged(PurgeFlag::TxClear | PurgeFlag::RxClear), {"write failed"}};
    EXPECT_EQ(f.log, failed) << "no second pause and no timer after a failed write";
}

TEST(ReaderThread, AnIdlePassWaitsInABoundedReadOrPausesWhereReadsDoNotWait)
{
    FakeProgram f;
    const std::uint32_t start = f.clock.now;
    f.program->port.readerPass();
    EXPECT_TRUE(f.log.empty());
    EXPECT_EQ(f.clock.now - start, 250u) << "the read waited for a byte, at most 250 ms";

    f.comPort.readsReturnAtOnce = true;
    f.program->port.readerPass();
    EXPECT_EQ(f.log, EventLog{fakes::idle(5)}) << "a pause that asks for no finer timing";
    EXPECT_EQ(f.program->transfer.lineLength, 0);
}

TEST(ReaderThread, AByteThatEndsTheIdleWaitIsHandedOnWithWhatFollowsIt)
{
    FakeProgram f;
    Program& p = *f.program;
    p.transfer.running = 1;
    f.comPort.logReads = true;
    f.comPort.arriveAt(f.clock.now + 30, "ACK\r");
    p.port.readerPass();
    EXPECT_EQ(f.only({"read"}), (EventLog{{"read", 1}, {"read", 3}}));
    EXPECT_EQ(p.transfer.state, TransferState::Receiving) << "the line was assembled whole";
}

TEST(ReaderThread, ReadsEverythingQueuedInPiecesOfTheBufferSize)
{
    FakeProgram f;
    Program& p = *f.program;
    p.transfer.running = 1;
    f.comPort.logReads = true;
    f.comPort.receive(std::string(2500, 'x'));
    p.port.readerPass();
    EXPECT_EQ(f.only({"read"}), (EventLog{{"read", 1024}, {"read", 1024}, {"read", 452}}));
    EXPECT_TRUE(f.comPort.input.empty());
}

TEST(ReaderThread, EndsWithoutReadingWhenTheFlagIsClearAfterItsStartPause)
{
    FakeProgram f;
    f.comPort.receive("ACK\r");
    f.program->port.readerLoop();
    EXPECT_EQ(f.log, (EventLog{{"mask", kEventRxChar}, pause(100)}));
    EXPECT_EQ(f.comPort.input.size(), 4u);
}

// A pulled adapter leaves a dead handle: the thread stops looping on it
// and hands the turn to the time-out side, which closes the port. A Stop
// that cleared the flag is no loss.
TEST(ReaderThread, StopsOnADeadPortAndSaysSo)
{
    for (const bool stopped : {false, true}) {
        FakeProgram f;
        f.program->transfer.running = !stopped;
        f.comPort.deviceGone = true;
        f.program->port.readerLoop();
        const EventLog handOver{{"mask", kEventRxChar}, pause(100), fakes::timerSet(1)};
        EXPECT_EQ(f.log, stopped ? EventLog(handOver.begin(), handOver.end() - 1) : handOver) << stopped;
    }
}

TEST(PortHealth, OnlyFailuresThatMeanTheDeviceHasGoneLoseThePort)
{
    const struct {
        std::vector<std::uint32_t> failures;   // 0: a call that worked
        bool lost;
    } table[] = {
        {{PortError::NotReady}, true},        // wine: the pty's other side closed
        {{PortError::BrokenPipe}, true},
        {{PortError::DeviceRemoved}, true},   // drivers of removed adapters
        {{PortError::AccessDenied}, true},
        {{PortError::BadCommand}, true},
        {{PortError::GenFailure}, true},
        {{87}, false},                        // a second wait while one is pending
        {{PortError::OperationAborted, 0, PortError::OperationAborted, 0, PortError::OperationAborted}, false},
        {{PortError::OperationAborted, PortError::OperationAborted, PortError::OperationAborted}, true},
    };
    for (const auto& row : table) {
        PortHealth health;
        for (std::uint32_t failure : row.failures) {
            if (failure == 0)
                health.noteSuccess();
            else
                health.noteFailure(failure);
        }
        EXPECT_EQ(health.lost(), row.lost) << row.failures.front() << " x" << row.failures.size();
        health.reset();
        EXPECT_FALSE(health.lost());
    }
}

}  // namespace
}  // namespace orvanta
