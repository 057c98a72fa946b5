/*
 * What the transfer needs of the port connection: open and close it, and
 * put a command on the line. The connection below knows nothing of records
 * or of the conversation; the transfer knows nothing of ports.
 */
#pragma once

#include <cstdint>

#include "protocol/status.h"

namespace orvanta {

class CommandLink {
public:
    virtual ~CommandLink() = default;
    // Opens and configures the port and starts the receive thread: Ok, or
    // why it could not.
    [[nodiscard]] virtual StatusCode openPort() = 0;
    // Stops the receive thread, then purges and closes the port.
    virtual void closePort() = 0;
    // Purges what the command makes stale and writes it.
    [[nodiscard]] virtual bool writeCommand(const char* command) = 0;
    // How many bytes have reached the port that nobody has read yet.
    virtual std::uint32_t bytesWaiting() = 0;
    // True when the open port's device has gone: only closing it and
    // opening it anew can reach the collector again.
    virtual bool portLost() = 0;
};

}  // namespace orvanta
