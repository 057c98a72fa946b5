/*
 * The protocol timer: every wait of the transfer engine, each meaning with
 * a timer of its own. The engine waits for one thing at a time, so arming
 * one deadline stops any other. It is armed and stopped from both threads;
 * the expiry arrives on the UI thread, at the one window that owns the
 * engine, which hands it to the engine by its meaning.
 */
#pragma once

#include <cstdint>

namespace orvanta {

enum class Deadline : std::uintptr_t {
    Answer = 700,   // a record line's answer is due: NAK
    Read,           // READ is due: its time-out, or the next poll on an open port
    TargetLook,     // look again for a window to type into
    Completed,      // the collector's end marker came
    PortLost,       // the receive thread found the port's device gone
    Reopen,         // a series' port is closed: open it and READ
};

constexpr Deadline kDeadlines[] = {Deadline::Answer,    Deadline::Read,     Deadline::TargetLook,
                                   Deadline::Completed, Deadline::PortLost, Deadline::Reopen};

// A deadline that is due as soon as the UI thread comes to it: how the
// receive thread hands it a decision.
constexpr std::uint32_t kHandOverMs = 1;

class ProtocolTimer {
public:
    virtual ~ProtocolTimer() = default;
    // Arms the deadline and stops any other one.
    virtual void arm(Deadline deadline, std::uint32_t intervalMs) = 0;
    // Stops whichever deadline is armed.
    virtual void stop() = 0;
    // Drops the requests of other threads that have not been carried out
    // yet: once the thread that made them has ended, they are stale, and
    // carried out late they would undo what was decided after it ended.
    virtual void discardPending() = 0;
};

}  // namespace orvanta
