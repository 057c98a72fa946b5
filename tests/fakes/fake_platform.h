/*
 * Fakes of the platform services and of the engine's workers: a scripted
 * COM port and its claim, message boxes, the notification area, and hands for the
 * engine's driver that log what they are asked. All of them write to one
 * event log, together with the keyboard and the clock.
 */
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/tray_icon.h"
#include "fakes/event_log.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_keyboard.h"
#include "platform/deadline_timer.h"
#include "platform/message_boxes.h"
#include "protocol/engine_driver.h"
#include "serial/com_port.h"
#include "serial/port_claim.h"

namespace orvanta::fakes {

class FakeComPort final : public ComPort {
public:
    FakeComPort(EventLog& log, FakeClock& clock) : log_(log), clock_(clock) {}

    bool open(const char* deviceName) override;
    bool configure(const LineConfig& config) override;
    std::int32_t read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t waitMs) override;
    void discard() override;
    bool write(const std::uint8_t* bytes, std::uint32_t count, bool dropUnread) override;
    std::uint32_t unread() override;
    void wake() override { ++wakes; }
    void close() override { log_.push_back({"close port"}); }
    bool lost() override { return deviceGone; }

    // Bytes the far end has sent and the program has not read yet.
    void receive(const std::string& bytes) { input.insert(input.end(), bytes.begin(), bytes.end()); }
    // Bytes that reach the port only when the clock gets to the given time.
    void arriveAt(std::uint32_t time, const std::string& bytes) { scheduled.push_back({time, bytes}); }

    std::deque<std::uint8_t> input;
    std::vector<std::pair<std::uint32_t, std::string>> scheduled;
    LineConfig applied{};           // what the port runs with now
    bool openFails = false, writeFails = false, readFails = false, configureFails = false;
    bool deviceGone = false;        // the adapter was pulled out: the handle is dead
    int wakes = 0;
    // Called after every successful write, with the line as it stands.
    std::function<void(const std::string&, const LineConfig&)> onWrite;

private:
    void deliverArrived();
    EventLog& log_;
    FakeClock& clock_;
};

// A port that another Orvanta holds while `heldElsewhere` is set.
class FakePortClaim final : public PortClaim {
public:
    explicit FakePortClaim(EventLog& log) : log_(log) {}
    bool claim(int comPort) override
    {
        claimed_ = !heldElsewhere;
        log_.push_back({claimed_ ? "claim" : "in use", static_cast<std::uint64_t>(comPort)});
        return claimed_;
    }
    void letGo() override
    {
        if (claimed_)
            log_.push_back({"let go"});
        claimed_ = false;
    }

    bool heldElsewhere = false;

private:
    EventLog& log_;
    bool claimed_ = false;
};

class FakeMessageBoxes final : public MessageBoxes {
public:
    explicit FakeMessageBoxes(EventLog& log) : log_(log) {}
    void show(WindowId owner, const char* text, const char* caption, std::uint32_t style) override;

private:
    EventLog& log_;
};

// A shell that refuses the icon a given number of times (it has not
// started yet), then takes it.
class FakeNotificationArea final : public NotificationArea {
public:
    explicit FakeNotificationArea(EventLog& log) : log_(log) {}
    bool addIcon() override
    {
        const bool taken = refusals == 0;
        if (!taken)
            --refusals;
        log_.push_back({"icon add", taken ? 1u : 0u});
        return taken;
    }
    void removeIcon() override { log_.push_back({"icon remove"}); }
    void armRetry(std::uint32_t ms) override { log_.push_back({"retry", ms}); }
    void stopRetry() override { log_.push_back({"retry stop"}); }
    void setLook(const char* tip, bool alert) override { log_.push_back({"icon look", alert ? 1u : 0u, tip}); }
    void showBalloon(const char* text, bool alert) override { log_.push_back({"balloon", alert ? 1u : 0u, text}); }

    int refusals = 0;

private:
    EventLog& log_;
};

// The engine's workers as a log of what they were asked; the tests answer
// for them.
struct FakeHands final : PortWorkers, Typist, JournalPen, DeadlineTimer, EngineReports {
    explicit FakeHands(EventLog& log) : log_(log) {}

    void open(ConnectionId c) override { log_.push_back({"open", c}); }
    void write(ConnectionId c, Command command) override { log_.push_back({"write", c, commandText(command)}); }
    void close(ConnectionId c) override { log_.push_back({"close", c}); }
    void type(Ticket t, std::span<const std::uint8_t> data, bool) override
    {
        log_.push_back({"type", t, std::string(data.begin(), data.end())});
    }
    void stop(Ticket t) override { log_.push_back({"stop typing", t}); }
    bool recordWindowThere() override { return windowThere; }
    void write(const actions::WriteJournalRow& row) override { log_.push_back({"row", row.ticket}); }
    void armAt(std::uint64_t atUs) override { log_.push_back({"arm", atUs}); }
    void seriesChanged(const SeriesReport& report) override { log_.push_back({"series", static_cast<std::uint64_t>(report.state)}); }
    void transferEnded(StatusCode result) override { log_.push_back({"ended", static_cast<std::uint64_t>(-static_cast<int>(result))}); }
    void batchDelivered(std::uint32_t records) override { log_.push_back({"batch", records}); }
    void typeAgainEnded(std::size_t typed, std::size_t) override { log_.push_back({"again ended", typed}); }
    void adapterMoved(int comPort) override { log_.push_back({"adapter moved", static_cast<std::uint64_t>(comPort)}); }

    EngineHands hands() { return EngineHands{*this, *this, *this, *this, *this}; }
    bool windowThere = true;

private:
    EventLog& log_;
};

// The letters and digits whose keys went down, in order: what a plain
// record types, case aside.
std::string typedLetters(const EventLog& log);

// Only the events of the given kinds, in order.
EventLog only(const EventLog& log, std::initializer_list<const char*> kinds);

inline Event sent(const std::string& text) { return {"write", 0, text}; }

}  // namespace orvanta::fakes
