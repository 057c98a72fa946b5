/*
 * The driver: on the one thread that runs the engine, it feeds the engine
 * its events in order and carries out the actions it gives, through the
 * workers below. A worker only does what it is asked (open, read, write,
 * type, write a row) and says what came of it as an event, which reaches
 * the driver through the inbox. The program, the pacing benchmark and the
 * tests that do not drive the engine itself all run this same code.
 */
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/deadline_timer.h"
#include "protocol/engine.h"

namespace orvanta {

// How a worker posts an event for the engine's thread, from any thread.
using EventPost = std::function<void(const Event&)>;

// The port connections: each is opened on a worker of its own, which
// answers with PortOpened, then reads and posts BytesArrived (or PortLost)
// until it is closed, and answers each write with CommandWritten.
class PortWorkers {
public:
    virtual ~PortWorkers() = default;
    virtual void open(ConnectionId connection) = 0;
    virtual void write(ConnectionId connection, Command command) = 0;
    // No answer: the connection's words after this are dropped.
    virtual void close(ConnectionId connection) = 0;
};

// The typing worker: one record at a time, each answered by RecordTyped.
class Typist {
public:
    virtual ~Typist() = default;
    virtual void type(Ticket ticket, std::span<const std::uint8_t> data, bool fresh) = 0;
    // The record stops at its next key, if it is still being typed.
    virtual void stop(Ticket ticket) = 0;
    // Whether the window in front could take a record now; asked on the
    // engine's thread and answered at once.
    virtual bool recordWindowThere() = 0;
};

// The journal: each row is answered by JournalRowWritten.
class JournalPen {
public:
    virtual ~JournalPen() = default;
    virtual void write(const actions::WriteJournalRow& row) = 0;
};

// What the user and IT hear of the engine.
class EngineReports {
public:
    virtual ~EngineReports() = default;
    virtual void seriesChanged(const SeriesReport& report) = 0;
    virtual void transferEnded(StatusCode result) = 0;
    virtual void batchDelivered(std::uint32_t records) = 0;
    virtual void typeAgainEnded(std::size_t typed, std::size_t chosen) = 0;
    // The collector's adapter was found under this COM number, new to it.
    virtual void adapterMoved(int comPort) = 0;
};

struct EngineHands {
    PortWorkers& ports;
    Typist& typist;
    JournalPen& journal;
    DeadlineTimer& timer;
    EngineReports& reports;
};

// An event with its bytes kept beside it, for one that waits.
struct OwnedEvent {
    Event event;
    std::vector<std::uint8_t> bytes;

    explicit OwnedEvent(const Event& from = events::DeadlineDue{});
    OwnedEvent(OwnedEvent&& other) noexcept { *this = std::move(other); }
    OwnedEvent& operator=(OwnedEvent&& other) noexcept;
};

class EngineDriver {
public:
    EngineDriver(Engine& engine, Clock& clock, const EngineHands& hands)
        : engine_(engine), clock_(clock), hands_(hands)
    {
    }

    // Feeds the event now, and after it whatever its actions answer at
    // once. An event fed while the actions of another are carried out
    // waits its turn.
    void feed(const Event& event);
    Engine& engine() { return engine_; }
    const Engine& engine() const { return engine_; }

private:
    void feedNow(const Event& event);
    void carryOut(const Action& action);

    Engine& engine_;
    Clock& clock_;
    EngineHands hands_;
    bool feeding_ = false;
    std::deque<OwnedEvent> waiting_;   // fed in the middle of another event
};

// Where the workers post their events, from any thread, for the engine's
// thread to take in the order they came. The bytes of an event are copied
// in. `wake` is called, on the posting thread, when the inbox stops being
// empty.
class EngineInbox {
public:
    explicit EngineInbox(std::function<void()> wake) : wake_(std::move(wake)) {}

    void post(const Event& event);
    // Feeds every event posted so far to the driver.
    void deliverTo(EngineDriver& driver);

private:
    std::function<void()> wake_;
    std::mutex lock_;
    std::deque<OwnedEvent> posted_;
};

}  // namespace orvanta
