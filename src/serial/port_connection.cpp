/*
 * Port connection and receive thread.
 *
 * The receive loop does not trust the receive-event wait: on some ports
 * (a pseudo-terminal under wine, for one) the wait returns at once with
 * nothing, so every pass asks how much is queued and reads it, whatever
 * the wait said, and pauses briefly when there was nothing, so that the
 * thread never spins a processor.
 */
#include "serial/port_connection.h"

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "protocol/status.h"
#include "serial/cradle.h"

namespace orvanta {
namespace {

constexpr std::uint32_t kReaderStartPauseMs = 100;
constexpr std::uint32_t kIdlePassPauseMs = 5;
constexpr std::uint32_t kReadWaitMs = 500;
constexpr std::uint32_t kIdleReadWaitMs = 250;

void readerThreadBody(void* argument)
{
    const auto& run = *static_cast<const PortConnection::ReaderRun*>(argument);
    run.connection->readerLoop(run);
}

// Dismissed runs stay reachable from here, so that a leak checker takes
// them for what they are: kept on purpose. Only the UI thread stops the
// receive thread.
void keepForever(std::unique_ptr<PortConnection::ReaderRun> run)
{
    static auto* kept = new std::vector<std::unique_ptr<PortConnection::ReaderRun>>;
    kept->push_back(std::move(run));
}

// Before READ and NAK whatever the collector sent is stale: the command
// asks for a fresh answer. Before an ACK it is not: the collector's next
// record can already be on its way, and dropping it would let the
// collector take the following ACK for a record that was never typed.
PurgeFlag purgeBefore(const char* command)
{
    return std::strcmp(command, "ACK\r") == 0 ? PurgeFlag::TxClear : PurgeFlag::TxClear | PurgeFlag::RxClear;
}

}  // namespace

void setDataLine(LineConfig& line, std::uint32_t rate)
{
    line = LineConfig{};
    line.baudRate = rate;
}

void comDeviceName(int comPort, char (&name)[16])
{
    std::snprintf(name, sizeof name, "\\\\.\\COM%d", comPort);
}

PortConnection::PortConnection(const Settings& settings, const PortServices& services, ReceiveSink& sink,
                               std::atomic<bool>& running)
    : settings(settings), services(services), sink_(sink), running_(running)
{
}

void PortConnection::applyRs232Line()
{
    services.comPort.getLineConfig(lineConfig);
    services.comPort.setTimeouts();
    setDataLine(lineConfig, baudRateOf(settings.baudIndex));
    services.comPort.setLineConfig(lineConfig);
}

StatusCode PortConnection::openPort()
{
    ComPort& port = services.comPort;
    char device[16];
    comDeviceName(settings.comPort, device);
    if (!port.open(device)) {
        portHandle = PortHandle::Invalid;
        return StatusCode::PortOpenFailed;
    }
    portHandle = PortHandle::Open;
    // Marked before they exist: the close releases those made before a failure.
    completionEvent = true;
    if (!port.createCompletionEvents())
        return StatusCode::PortOpenFailed;
    port.setupQueues(kPortQueueBytes, kPortQueueBytes);

    if (settings.transmissionType == TransmissionType::RS232) {
        applyRs232Line();
    } else {
        if (!configureCradle(*this))
            return StatusCode::CradleSetupFailed;
        port.purge(PurgeFlag::TxClear | PurgeFlag::RxClear);
        if (!port.setLineConfig(lineConfig))
            return StatusCode::CradleSetupFailed;
    }
    // Set before the thread starts: a thread that found it still clear
    // after its start pause would end at once, and nobody would read.
    running_ = true;
    return startReaderThread() ? StatusCode::Ok : StatusCode::ThreadStartFailed;
}

bool PortConnection::startReaderThread()
{
    run_ = std::make_unique<ReaderRun>(this);
    if (!services.readerThread.start(readerThreadBody, run_.get()))
        return false;
    readerThread = true;
    return true;
}

// A thread that ends while the connection still wants it (its port gone,
// or the port refusing the receive event) says so: a connection nobody
// reads is as good as lost, and is closed and opened anew. A dismissed
// thread checks for that after every call that may have been the one it
// was stuck in, and before it hands anything on.
void PortConnection::readerLoop(const ReaderRun& run)
{
    if (run.dismissed)
        return;
    if (services.comPort.setEventMask(kEventRxChar)) {
        services.clock.sleepMs(kReaderStartPauseMs);
        while (running_ && !run.dismissed && !services.comPort.lost())
            readerPass(run);
    }
    if (running_ && !run.dismissed) {
        readerEnded_ = true;
        sink_.portLost();
    }
}

void PortConnection::readerPass(const ReaderRun& run)
{
    ComPort& port = services.comPort;
    std::uint32_t mask = 0;
    port.waitEvent(mask);
    if (run.dismissed)
        return;
    const std::uint32_t queued = port.clearErrors();
    if (run.dismissed)
        return;
    if (queued == 0) {
        awaitFirstByte(run);
        return;
    }
    ReceiveBuffer buffer = {};
    readQueued(run, buffer, 0, queued);
}

// Reads what is queued into the buffer after the `held` bytes already
// there, and hands each buffer-full on; more than a buffer-full is read in
// further pieces before the next wait.
void PortConnection::readQueued(const ReaderRun& run, ReceiveBuffer& buffer, std::uint32_t held,
                                std::uint32_t queued)
{
    ComPort& port = services.comPort;
    for (;;) {
        const std::uint32_t room = kReceiveBufferBytes - held;
        const std::uint32_t wanted = queued < room ? queued : room;
        std::int32_t got = wanted > 0 ? port.read(buffer + held, wanted, kReadWaitMs) : 0;
        if (run.dismissed)
            return;
        if (got < 0) {
            port.clearErrors();
            got = 0;
        }
        const std::uint32_t count = held + static_cast<std::uint32_t>(got);
        if (count > 0)
            sink_.receive(buffer, count);
        if (got == 0 || queued <= room || !running_)
            return;
        queued = port.clearErrors();
        if (run.dismissed)
            return;
        held = 0;
        std::memset(buffer, 0, sizeof buffer);
    }
}

// The event wait does not block on every port: on a pseudo-terminal under
// wine it returns at once. A one-byte read, bounded in time, waits for the
// next byte instead. Where that returns at once as well, a short pause
// keeps the thread from spinning.
void PortConnection::awaitFirstByte(const ReaderRun& run)
{
    ComPort& port = services.comPort;
    Clock& clock = services.clock;
    const std::uint32_t start = clock.tickCount();
    ReceiveBuffer buffer = {};
    if (port.read(buffer, 1, kIdleReadWaitMs) == 1) {
        if (!run.dismissed)
            readQueued(run, buffer, 1, port.clearErrors());
        return;
    }
    if (clock.tickCount() - start < kIdlePassPauseMs)
        clock.idleMs(kIdlePassPauseMs);
}

bool PortConnection::writePort(const std::uint8_t* bytes, std::uint32_t count)
{
    std::lock_guard<std::mutex> hold(writeLock_);
    return services.comPort.write(bytes, count);
}

bool PortConnection::writeCommand(const char* command)
{
    services.comPort.purge(purgeBefore(command));
    const auto length = static_cast<std::uint32_t>(std::strlen(command));
    return writePort(reinterpret_cast<const std::uint8_t*>(command), length);
}

std::uint32_t PortConnection::bytesWaiting()
{
    return services.comPort.clearErrors();
}

bool PortConnection::portLost()
{
    return portHandle == PortHandle::Open && (services.comPort.lost() || readerEnded_);
}

void PortConnection::closePort()
{
    stopReaderThread();
    if (portHandle == PortHandle::Open) {
        services.comPort.purge(PurgeFlag::RxAbort | PurgeFlag::RxClear);
        services.comPort.close();
    }
    portHandle = PortHandle::None;
}

// A thread that does not end in time is dismissed and left behind, with
// whatever it may still be using on the port: a driver that never ends a
// request must not hang Stop, sleep, logoff or Exit.
void PortConnection::stopReaderThread()
{
    running_ = false;
    if (portHandle == PortHandle::Open)
        services.comPort.setEventMask(0);
    if (readerThread && !services.readerThread.waitForEnd()) {
        run_->dismissed = true;
        keepForever(std::move(run_));
        run_ = std::make_unique<ReaderRun>(this);
        services.comPort.readerGivenUp();
    }
    if (completionEvent)
        services.comPort.closeCompletionEvents();
    if (readerThread)
        services.readerThread.close();
    completionEvent = false;
    readerThread = false;
    readerEnded_ = false;
}

}  // namespace orvanta
