/*
 * Starting, reaching and letting go of port connections.
 */
#include "serial/port_connections.h"

#include <utility>

namespace orvanta {

PortConnections::PortConnections(const Settings& settings, Clock& clock, ComPortMaker makePort,
                                 PortClaimMaker makeClaim, ThreadStarter startThread, EventPost post,
                                 AdapterTracker* adapters)
    : settings_(settings), clock_(clock), makePort_(std::move(makePort)), makeClaim_(std::move(makeClaim)),
      startThread_(std::move(startThread)), post_(std::move(post)), adapters_(adapters)
{
}

// The worker keeps its connection for as long as it runs: one stuck in a
// driver keeps what the driver may still write into.
void PortConnections::open(ConnectionId connection)
{
    auto opened = std::make_shared<PortConnection>(connection, settings_, makePort_(), makeClaim_(), clock_,
                                                   cradleRate_, post_, adapters_);
    std::shared_ptr<PortConnection> before = std::exchange(last_, opened);
    open_[connection] = opened;
    const bool started = startThread_([opened, before, this] {
        if (before && !before->awaitEnd(kPreviousEndWaitMs))
            ++givenUp_;
        opened->run();
    });
    if (!started) {
        open_.erase(connection);
        post_(events::PortOpened{connection, StatusCode::ThreadStartFailed});
    }
}

void PortConnections::write(ConnectionId connection, Command command)
{
    const auto found = open_.find(connection);
    if (found != open_.end())
        found->second->write(command);
}

void PortConnections::close(ConnectionId connection)
{
    const auto found = open_.find(connection);
    if (found == open_.end())
        return;
    found->second->close();
    open_.erase(found);
}

}  // namespace orvanta

namespace orvanta {

void PortConnections::awaitClosed(std::uint32_t waitMs) const
{
    if (last_)
        (void)last_->awaitEnd(waitMs);
}

}  // namespace orvanta
