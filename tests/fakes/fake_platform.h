/*
 * Fakes of the platform services a Program runs on: a scripted COM port,
 * the receive thread host, the protocol timer and message boxes. All of
 * them write to one event log, together with the keyboard and the clock.
 */
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/program.h"
#include "app/tray_icon.h"
#include "fakes/event_log.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_keyboard.h"

namespace orvanta::fakes {

class FakeComPort final : public ComPort {
public:
    FakeComPort(EventLog& log, FakeClock& clock) : log_(log), clock_(clock) {}

    bool open(const char* deviceName) override;
    bool createCompletionEvents() override { return !eventsFail; }
    void closeCompletionEvents() override { log_.push_back({"close events"}); }
    void setupQueues(std::uint32_t in, std::uint32_t) override { log_.push_back({"queues", in}); }
    bool getLineConfig(LineConfig& config) override;
    bool setLineConfig(const LineConfig& config) override;
    void setTimeouts() override { log_.push_back({"timeouts"}); }
    void purge(PurgeFlag flags) override;
    bool setEventMask(std::uint32_t mask) override;
    bool waitEvent(std::uint32_t& mask) override;
    std::uint32_t clearErrors() override;
    std::int32_t read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t waitMs) override;
    bool write(const std::uint8_t* bytes, std::uint32_t count) override;
    void close() override { log_.push_back({"close port"}); }
    bool lost() override { return deviceGone; }
    void readerGivenUp() override { log_.push_back({"reader given up"}); }

    // Bytes the far end has sent and the program has not read yet.
    void receive(const std::string& bytes) { input.insert(input.end(), bytes.begin(), bytes.end()); }
    // Bytes that reach the port only when the clock gets to the given time.
    void arriveAt(std::uint32_t time, const std::string& bytes) { scheduled.push_back({time, bytes}); }

    std::deque<std::uint8_t> input;
    std::vector<std::pair<std::uint32_t, std::string>> scheduled;
    LineConfig applied{};           // what the port runs with now
    bool openFails = false, eventsFail = false, writeFails = false, readFails = false, maskFails = false;
    bool deviceGone = false;          // the adapter was pulled out: the handle is dead
    bool logReads = false;
    bool readsReturnAtOnce = false;   // like "return at once" time-outs on Windows
    // Called after every successful write, with the line as it stands.
    std::function<void(const std::string&, const LineConfig&)> onWrite;

private:
    void deliverArrived();
    EventLog& log_;
    FakeClock& clock_;
};

class FakeThreadHost final : public ReaderThreadHost {
public:
    explicit FakeThreadHost(EventLog& log) : log_(log) {}
    bool start(void (*body)(void*), void* argument) override;
    bool waitForEnd() override
    {
        log_.push_back({"thread wait"});
        return endsInTime;
    }
    void close() override { log_.push_back({"thread close"}); }

    bool startFails = false;
    bool endsInTime = true;   // off: stuck in a driver past the stop's wait
    // Runs the thread at its start, for a thread that ends at once; tests
    // otherwise take the thread's passes themselves.
    bool runAtStart = false;
    bool ended = false;   // the thread ran and ended by itself
    void (*body_)(void*) = nullptr;
    void* argument_ = nullptr;

private:
    EventLog& log_;
};

// While `relayed` is on, requests come from another thread, as the
// receive thread's do: they wait until the UI thread carries them out.
class FakeTimer final : public ProtocolTimer {
public:
    explicit FakeTimer(EventLog& log) : log_(log) {}
    void arm(Deadline deadline, std::uint32_t intervalMs) override;
    void stop() override;
    void discardPending() override { pending.clear(); }
    // The UI thread carries out the requests waiting for it.
    void carryOutPending();

    bool armed = false;
    Deadline deadline = Deadline::Answer;   // the one armed last
    std::uint32_t intervalMs = 0;
    bool relayed = false;
    std::vector<std::pair<Deadline, std::uint32_t>> pending;   // interval 0 stops

private:
    EventLog& log_;
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

// The letters and digits whose keys went down, in order: what a plain
// record types, case aside.
std::string typedLetters(const EventLog& log);

// A fresh program on fakes, with its own log.
struct FakeProgram {
    EventLog log;
    FakeClock clock{log};
    FakeKeyboard keyboard{log};
    FakeComPort comPort{log, clock};
    FakeThreadHost threads{log};
    FakeTimer timer{log};
    FakeMessageBoxes boxes{log};
    std::unique_ptr<Program> program;

    FakeProgram();
    // Only the events of the given kinds, in order.
    EventLog only(std::initializer_list<const char*> kinds) const;
    std::string written() const;   // every byte written, concatenated
};

constexpr WindowId kDialogWindow = 0xD1A;

inline Event sent(const std::string& text) { return {"write", 0, text}; }
inline Event timerSet(std::uint64_t ms) { return {"timer set", ms}; }
inline Event timerKill() { return {"timer kill"}; }
inline Event purged(PurgeFlag flags) { return {"purge", static_cast<std::uint64_t>(flags)}; }

}  // namespace orvanta::fakes
