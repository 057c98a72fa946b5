/*
 * A port connection's worker. It never waits for the engine and the
 * engine never waits for it: a command is written between two reads, and
 * a read that waits for bytes is woken for it. A port whose device has
 * gone, or that nobody can read any more, is said once and closed.
 */
#include "serial/port_connection.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "serial/cradle.h"

namespace orvanta {
namespace {

constexpr std::uint32_t kFailedReadPauseMs = 5;

}  // namespace

void comDeviceName(int comPort, char (&name)[16])
{
    std::snprintf(name, sizeof name, "\\\\.\\COM%d", comPort);
}

PortConnection::PortConnection(ConnectionId id, const Settings& settings, std::unique_ptr<ComPort> port,
                               std::unique_ptr<PortClaim> claim, Clock& clock, std::atomic<std::uint32_t>& cradleRate,
                               EventPost post, AdapterTracker* adapters)
    : id_(id), settings_(settings), port_(std::move(port)), claim_(std::move(claim)), clock_(clock),
      cradleRate_(cradleRate), post_(std::move(post)), adapters_(adapters)
{
}

void PortConnection::run()
{
    const StatusCode opened = open();
    post_(events::PortOpened{id_, opened, opened == StatusCode::Ok ? portNumber_ : 0});
    if (opened == StatusCode::Ok) {
        while (!closing() && !port_->lost())
            pass();
        if (!closing())
            post_(events::PortLost{id_});
    }
    finish();
}

bool PortConnection::closing()
{
    const std::lock_guard hold(lock_);
    return closing_;
}

// A number that is another device's now, or a choice the user has to
// make, opens nothing: not even a look at another device is harmless (a
// receipt printer prints what it is sent).
StatusCode PortConnection::open()
{
    const PortChoice choice = adapters_ ? adapters_->choose(settings_.comPort)
                                        : PortChoice{StatusCode::Ok, settings_.comPort, false, std::nullopt, 0};
    if (choice.status != StatusCode::Ok)
        return choice.status;
    portNumber_ = choice.port;
    const StatusCode opened = openNumbered(choice.port);
    if (opened == StatusCode::Ok && adapters_) {
        adapters_->opened(choice);
        if (choice.moved)
            post_(events::AdapterMoved{id_, choice.port});
    }
    return opened;
}

// The port of another Orvanta is not opened at all, not even to find it
// busy: where it would open twice, the collector's bytes would be shared.
StatusCode PortConnection::openNumbered(int number)
{
    if (!claim_->claim(number))
        return StatusCode::PortInUse;
    char device[16];
    comDeviceName(number, device);
    if (!port_->open(device))
        return StatusCode::PortOpenFailed;
    if (settings_.transmissionType == TransmissionType::RS232) {
        setDataLine(line_, baudRateOf(settings_.baudIndex));
        port_->configure(line_);
        return StatusCode::Ok;
    }
    std::uint32_t rate = cradleRate_;
    CradleLine cradle{*port_, clock_, line_, rate, settings_.baudIndex};
    const bool found = configureCradle(cradle);
    cradleRate_ = rate;
    if (!found)
        return StatusCode::CradleSetupFailed;
    port_->discard();
    return port_->configure(line_) ? StatusCode::Ok : StatusCode::CradleSetupFailed;
}

// What was asked is written first; a read then takes what has come.
void PortConnection::pass()
{
    writeAsked();
    std::uint8_t buffer[kReceiveBufferBytes];
    const std::int32_t got = port_->read(buffer, sizeof buffer, kReadWaitMs);
    if (got < 0)
        clock_.idleMs(kFailedReadPauseMs);   // a port whose reads fail must not spin a processor
    if (got <= 0)
        return;
    received_ += static_cast<std::uint32_t>(got);
    post_(events::BytesArrived{id_, {buffer, static_cast<std::size_t>(got)}});
}

// A command notes what the port had received when it went out: the bytes
// read so far and those still waiting to be read.
void PortConnection::writeAsked()
{
    for (;;) {
        Command command;
        {
            const std::lock_guard hold(lock_);
            if (asked_.empty())
                return;
            command = asked_.front();
            asked_.pop_front();
        }
        const char* text = commandText(command);
        const std::uint64_t wentOut = clock_.nowUs();
        const bool written = port_->write(reinterpret_cast<const std::uint8_t*>(text),
                                          static_cast<std::uint32_t>(std::strlen(text)), dropsUnread(command));
        post_(events::CommandWritten{id_, written, wentOut, received_ + port_->unread()});
    }
}

// The claim goes only once the handle is closed, so that the program that
// claims the port next finds it free.
void PortConnection::finish()
{
    port_->close();
    claim_->letGo();
    const std::lock_guard hold(lock_);
    ended_ = true;
    endedSignal_.notify_all();
}

void PortConnection::write(Command command)
{
    {
        const std::lock_guard hold(lock_);
        asked_.push_back(command);
    }
    port_->wake();
}

void PortConnection::close()
{
    {
        const std::lock_guard hold(lock_);
        closing_ = true;
    }
    port_->wake();
}

bool PortConnection::awaitEnd(std::uint32_t waitMs)
{
    std::unique_lock hold(lock_);
    return endedSignal_.wait_for(hold, std::chrono::milliseconds(waitMs), [this] { return ended_; });
}

}  // namespace orvanta
