/*
 * Where the receive thread hands every chunk it reads from the port.
 */
#pragma once

#include <cstdint>

namespace orvanta {

class ReceiveSink {
public:
    virtual ~ReceiveSink() = default;
    // At least one byte, in the order received.
    virtual void receive(const std::uint8_t* bytes, std::uint32_t count) = 0;
    // The receive thread has stopped because the port's device has gone.
    virtual void portLost() = 0;
};

}  // namespace orvanta
