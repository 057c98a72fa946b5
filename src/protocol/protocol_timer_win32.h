/*
 * The protocol timer as a window timer.
 */
#pragma once

#include "protocol/protocol_timer.h"

namespace orvanta {

class Win32ProtocolTimer final : public ProtocolTimer {
public:
    void set(WindowId owner, std::uintptr_t timerId, std::uint32_t intervalMs) override;
    void kill(WindowId owner, std::uintptr_t timerId) override;
};

}  // namespace orvanta
