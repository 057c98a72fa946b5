/*
 * The port connections of the program, as the engine's driver asks for
 * them: each opened on a thread of its own, written to and closed by its
 * connection. A connection asked for while the one before it still holds
 * the port waits for that one to end, so that two never use one COM port
 * at once; one that does not end in time is let go and counted (its claim
 * on the port stays until it ends, and the new one finds the port in use).
 */
#pragma once

#include <atomic>
#include <map>
#include <memory>

#include "protocol/engine_driver.h"
#include "serial/port_connection.h"

namespace orvanta {

// How long a new connection waits for the one before it to end: a read
// window, a write's bound and the cancel of a request, with room to spare.
constexpr std::uint32_t kPreviousEndWaitMs = 5000;

using ComPortMaker = std::function<std::unique_ptr<ComPort>()>;
using PortClaimMaker = std::function<std::unique_ptr<PortClaim>()>;

class PortConnections final : public PortWorkers {
public:
    PortConnections(const Settings& settings, Clock& clock, ComPortMaker makePort, PortClaimMaker makeClaim,
                    ThreadStarter startThread, EventPost post, AdapterTracker* adapters = nullptr);

    void open(ConnectionId connection) override;
    void write(ConnectionId connection, Command command) override;
    void close(ConnectionId connection) override;

    // Waits at most waitMs for the connection asked for last to have closed
    // its port (the process is about to end).
    void awaitClosed(std::uint32_t waitMs) const;
    // Connections whose worker never ended and was let go.
    std::uint32_t givenUp() const { return givenUp_; }

private:
    const Settings& settings_;
    Clock& clock_;
    ComPortMaker makePort_;
    PortClaimMaker makeClaim_;
    ThreadStarter startThread_;
    EventPost post_;
    AdapterTracker* adapters_;
    std::map<ConnectionId, std::shared_ptr<PortConnection>> open_;
    std::shared_ptr<PortConnection> last_;   // the one asked for last, open or closing
    std::atomic<std::uint32_t> cradleRate_{0};
    std::atomic<std::uint32_t> givenUp_{0};
};

}  // namespace orvanta
