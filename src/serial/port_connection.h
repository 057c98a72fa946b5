/*
 * One COM port connection, on a worker of its own: it asks where the
 * collector's adapter is, claims that port for this program, opens and
 * sets it up (the infrared cradle included), then
 * reads and posts what it read, writes each command it is given between
 * reads, and closes the port and lets the claim go as soon as it is told
 * to or the port is gone. Everything it posts
 * is stamped with its connection, so that the engine can drop the words
 * of a connection it has let go.
 */
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/clock.h"
#include "protocol/engine_driver.h"
#include "serial/adapter_tracker.h"
#include "serial/com_port.h"
#include "serial/port_claim.h"
#include "settings/settings.h"

namespace orvanta {

constexpr std::uint32_t kReceiveBufferBytes = 1024;
// How long a read waits for the first byte before the worker looks again;
// what it is asked (a command, the close) wakes it at once.
constexpr std::uint32_t kReadWaitMs = 1000;

// "\\.\COM<n>" into a 16-byte buffer.
void comDeviceName(int comPort, char (&name)[16]);

class PortConnection {
public:
    // The settings as they were when the port was asked for; the cradle's
    // rate is shared with the connections before and after. Without an
    // adapter tracker the chosen number is opened as it stands.
    PortConnection(ConnectionId id, const Settings& settings, std::unique_ptr<ComPort> port,
                   std::unique_ptr<PortClaim> claim, Clock& clock, std::atomic<std::uint32_t>& cradleRate,
                   EventPost post, AdapterTracker* adapters = nullptr);

    // The worker's whole life: claim and open, then read and write until
    // closed.
    void run();
    // From the engine's thread.
    void write(Command command);
    void close();
    // True once the worker has closed the port and ended; waits at most waitMs.
    bool awaitEnd(std::uint32_t waitMs);

    // The worker's steps, for tests that take them one at a time.
    [[nodiscard]] StatusCode open();
    void pass();
    void finish();
    const LineConfig& line() const { return line_; }

private:
    StatusCode openNumbered(int number);
    void writeAsked();
    bool closing();

    const ConnectionId id_;
    const Settings settings_;
    std::unique_ptr<ComPort> port_;
    std::unique_ptr<PortClaim> claim_;
    Clock& clock_;
    std::atomic<std::uint32_t>& cradleRate_;
    EventPost post_;
    AdapterTracker* adapters_;
    int portNumber_ = 0;   // the number opened, once chosen
    LineConfig line_{};
    std::uint64_t received_ = 0;   // bytes read over the connection

    std::mutex lock_;
    std::condition_variable endedSignal_;
    std::deque<Command> asked_;
    bool closing_ = false;
    bool ended_ = false;
};

}  // namespace orvanta
