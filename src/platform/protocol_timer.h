/*
 * The protocol timer: one window timer that bounds every wait of the
 * conversation and schedules keep-online polls. It is armed and stopped
 * from both threads; its expiry arrives on the UI thread.
 */
#pragma once

#include <cstdint>

#include "platform/window_id.h"

namespace orvanta {

constexpr std::uintptr_t kProtocolTimerId = 650;

class ProtocolTimer {
public:
    virtual ~ProtocolTimer() = default;
    // Arming replaces a running timer of the same owner and id.
    virtual void set(WindowId owner, std::uintptr_t timerId, std::uint32_t intervalMs) = 0;
    virtual void kill(WindowId owner, std::uintptr_t timerId) = 0;
    // Drops the requests of other threads that have not been carried out
    // yet: once the thread that made them has ended, they are stale, and
    // carried out late they would undo what was decided after it ended.
    virtual void discardPending() = 0;
};

}  // namespace orvanta
