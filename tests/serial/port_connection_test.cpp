#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "fakes/fake_adapters.h"
#include "fakes/fake_platform.h"
#include "serial/port_connection.h"
#include "serial/port_connections.h"
#include "serial/port_health.h"

namespace orvanta {
namespace {

using fakes::EventLog;
using fakes::sent;

// One connection on a fake port, its events described as the engine reads
// them.
struct ConnectionBench {
    EventLog log;
    fakes::FakeClock clock{log};
    fakes::FakeComPort* port = nullptr;
    fakes::FakePortClaim* claim = nullptr;
    Settings settings{};
    std::atomic<std::uint32_t> cradleRate{0};
    std::vector<std::string> posted;
    std::unique_ptr<PortConnection> connection;

    explicit ConnectionBench(AdapterTracker* adapters = nullptr)
    {
        applyDefaults(settings);
        settings.transmissionType = TransmissionType::RS232;
        auto fake = std::make_unique<fakes::FakeComPort>(log, clock);
        auto fakeClaim = std::make_unique<fakes::FakePortClaim>(log);
        port = fake.get();
        claim = fakeClaim.get();
        connection = std::make_unique<PortConnection>(4, settings, std::move(fake), std::move(fakeClaim), clock,
                                                      cradleRate,
                                                      [this](const Event& e) { posted.push_back(describe(e)); },
                                                      adapters);
    }
};

// A cradle's CH340 adapter, kept when it was on COM1 in one USB socket.
PortAdapter ch340(int number, const char* socket)
{
    return adapterOf({"COM" + std::to_string(number), std::string("USB\\VID_1A86&PID_7523\\5&2A3B4C1&0&") + socket,
                      {}, {}, ""});
}
const PortAdapter kReceiptPrinter = adapterOf({"COM1", "USB\\VID_0403&PID_6001\\A50285BI", {}, {}, ""});

TEST(PortConnection, DeviceNameHasTwoBackslashesAFullStopAndNoLeadingZeros)
{
    const std::pair<int, const char*> cases[] = {{1, "\\\\.\\COM1"}, {12, "\\\\.\\COM12"}, {255, "\\\\.\\COM255"}};
    for (const auto& [number, expected] : cases) {
        char name[16];
        comDeviceName(number, name);
        EXPECT_STREQ(name, expected);
    }
}

// Everything another program can leave set on a port that stops, drops or
// changes bytes is set anew: the line is the program's own.
TEST(PortConnection, OpensAnRs232LineWithAKnownConfiguration)
{
    ConnectionBench b;
    b.port->applied = LineConfig{9600, 7, 2, 2, false, false, true, true, false, true, true, true, true, true, true, true};
    EXPECT_EQ(b.connection->open(), StatusCode::Ok);
    EXPECT_EQ(b.log, (EventLog{{"claim", 1}, {"open", 0, "\\\\.\\COM1"}, {"line", 115200, "rts on"}}));
    LineConfig known;
    known.baudRate = 115200;
    EXPECT_EQ(b.port->applied, known);
    b.port->openFails = true;
    EXPECT_EQ(b.connection->open(), StatusCode::PortOpenFailed);
}

// A command goes out between two reads, after what the port had received
// unread is dropped for READ and NAK, and says what the port had
// received by then; what comes after it is read and posted.
TEST(PortConnection, WritesEachCommandBetweenReadsAndPostsWhatItReads)
{
    ConnectionBench b;
    ASSERT_EQ(b.connection->open(), StatusCode::Ok);
    b.port->onWrite = [&b](const std::string&, const LineConfig&) { b.port->arriveAt(b.clock.now + 1, "ACK\r"); };
    b.port->receive("stale\r");
    b.connection->write(Command::Read);
    EXPECT_EQ(b.port->wakes, 1) << "a read that waits is woken for it";
    b.connection->pass();
    b.port->receive("x");
    b.connection->write(Command::Ack);
    b.connection->pass();
    b.connection->pass();
    EXPECT_EQ(b.posted, (std::vector<std::string>{"written 4 received 0", "bytes 4 \"ACK\\r\"",
                                                  "written 4 received 5", "bytes 4 \"x\"", "bytes 4 \"ACK\\r\""}));
    b.port->writeFails = true;
    b.connection->write(Command::Nak);
    b.connection->pass();
    EXPECT_EQ(b.posted.back(), "write failed 4 received 9");
}

// A port whose device has gone is said once and closed; one closed by
// the engine says nothing more. The port is claimed before it is opened
// and let go only once it is closed, however the connection ended; a port
// that another Orvanta holds is not opened at all. The collector's adapter
// is opened where it is now; a number that is another device's now, or
// an adapter that two ports could be, opens nothing.
TEST(PortConnection, RunsUntilClosedOrLostAndHoldsItsClaimMeanwhile)
{
    enum class Ending { Closed, Lost, OpenFails, InUse, Moved, AnotherDevice, Ambiguous };
    const std::vector<PortAdapter> present[] = {
        {}, {}, {}, {}, {ch340(9, "4"), kReceiptPrinter}, {kReceiptPrinter}, {ch340(3, "4"), ch340(7, "5")}};
    const fakes::Event opened{"open", 0, "\\\\.\\COM1"};
    const struct {
        Ending ending;
        std::vector<std::string> posted;
        EventLog claimAndPort;
    } table[] = {
        {Ending::Closed, {"opened 4 Ok"}, {{"claim", 1}, opened, {"close port"}, {"let go"}}},
        {Ending::Lost, {"opened 4 Ok", "lost 4"}, {{"claim", 1}, opened, {"close port"}, {"let go"}}},
        {Ending::OpenFails, {"opened 4 -101"}, {{"claim", 1}, opened, {"close port"}, {"let go"}}},
        {Ending::InUse, {"opened 4 -109"}, {{"in use", 1}, {"close port"}}},
        {Ending::Moved, {"moved 4 COM9", "opened 4 Ok"},
         {{"claim", 9}, {"open", 0, "\\\\.\\COM9"}, {"close port"}, {"let go"}}},
        {Ending::AnotherDevice, {"opened 4 -101"}, {{"close port"}}},
        {Ending::Ambiguous, {"opened 4 -110"}, {{"close port"}}},
    };
    for (const auto& row : table) {
        const int ending = static_cast<int>(row.ending);
        fakes::FakePortInventory inventory;
        inventory.present = present[ending];
        fakes::FakeAdapterMemory memory;
        memory.remember({1, ch340(1, "3")});
        AdapterTracker adapters(inventory, memory);
        ConnectionBench b(&adapters);
        if (row.ending == Ending::Closed || row.ending == Ending::Moved)
            b.connection->close();
        b.port->openFails = row.ending == Ending::OpenFails;
        b.claim->heldElsewhere = row.ending == Ending::InUse;
        b.port->deviceGone = row.ending == Ending::Lost;
        b.connection->run();
        EXPECT_EQ(b.posted, row.posted) << ending;
        EXPECT_EQ(fakes::only(b.log, {"claim", "in use", "open", "close port", "let go"}), row.claimAndPort) << ending;
        EXPECT_TRUE(b.connection->awaitEnd(0)) << ending;
    }
}

// A connection asked for while the one before still holds the port waits
// for it to end, however slow it is to end, and is never given up on: the
// port is claimed and opened anew only after the one before closed it and
// let it go.
TEST(PortConnections, ANewConnectionWaitsForTheOneBeforeToCloseThePort)
{
    ConnectionBench b;
    std::vector<fakes::FakeComPort*> ports;
    std::vector<std::function<void()>> bodies;
    PortConnections connections(
        b.settings, b.clock,
        [&] {
            auto port = std::make_unique<fakes::FakeComPort>(b.log, b.clock);
            ports.push_back(port.get());
            return port;
        },
        [&] { return std::make_unique<fakes::FakePortClaim>(b.log); },
        [&](std::function<void()> body) {
            bodies.push_back(std::move(body));
            return true;
        },
        [](const Event&) {});
    connections.open(1);
    connections.close(1);
    connections.open(2);
    ports[1]->deviceGone = true;
    std::thread second(bodies[1]);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));   // a reader slow to end
    bodies[0]();
    second.join();
    b.log.erase(std::remove_if(b.log.begin(), b.log.end(), [](const fakes::Event& e) { return e.kind == "line"; }),
                b.log.end());
    const fakes::Event claim{"claim", 1}, open{"open", 0, "\\\\.\\COM1"}, close{"close port"}, letGo{"let go"};
    EXPECT_EQ(b.log, (EventLog{claim, open, close, letGo, claim, open, close, letGo}));
    EXPECT_EQ(connections.givenUp(), 0u);
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
