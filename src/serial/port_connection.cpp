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

#include "app/program.h"
#include "serial/cradle.h"

namespace orvanta {
namespace {

constexpr std::uint32_t kReaderStartPauseMs = 100;
constexpr std::uint32_t kIdlePassPauseMs = 5;
constexpr std::uint32_t kReadWaitMs = 500;
constexpr std::uint32_t kIdleReadWaitMs = 250;

void applyRs232Line(Program& program)
{
    LineConfig& line = program.port.lineConfig;
    program.platform.comPort.getLineConfig(line);
    program.platform.comPort.setTimeouts();
    setDataLine(line, baudRateOf(program.settings.baudIndex));
    program.platform.comPort.setLineConfig(line);
}

// Before READ and NAK whatever the collector sent is stale: the command
// asks for a fresh answer. Before an ACK it is not: the collector's next
// record can already be on its way, and dropping it would let the
// collector take the following ACK for a record that was never typed.
std::uint32_t purgeBefore(const char* command)
{
    return std::strcmp(command, "ACK\r") == 0 ? PurgeTxClear : PurgeTxClear | PurgeRxClear;
}

void readerThreadBody(void* argument)
{
    ReaderThread(*static_cast<Program*>(argument));
}

using ReceiveBuffer = std::uint8_t[kReceiveBufferBytes];

// Reads what is queued into the buffer after the `held` bytes already
// there, and hands each buffer-full on; more than a buffer-full is read in
// further pieces before the next wait.
void readQueued(Program& program, ReceiveBuffer& buffer, std::uint32_t held, std::uint32_t queued)
{
    ComPort& port = program.platform.comPort;
    for (;;) {
        const std::uint32_t room = kReceiveBufferBytes - held;
        const std::uint32_t wanted = queued < room ? queued : room;
        std::int32_t got = wanted > 0 ? port.read(buffer + held, wanted, kReadWaitMs) : 0;
        if (got < 0) {
            port.clearErrors();
            got = 0;
        }
        const std::uint32_t count = held + static_cast<std::uint32_t>(got);
        if (count > 0) {
            program.receiver.receive(buffer, count);
            KeepAnswerTimeWhileLineArrives(program);
        }
        if (got == 0 || queued <= room || !program.transfer.running)
            return;
        queued = port.clearErrors();
        held = 0;
        std::memset(buffer, 0, sizeof buffer);
    }
}

// The event wait does not block on every port: on a pseudo-terminal under
// wine it returns at once. A one-byte read, bounded in time, waits for the
// next byte instead. Where that returns at once as well, a short pause
// keeps the thread from spinning.
void awaitFirstByte(Program& program)
{
    ComPort& port = program.platform.comPort;
    Clock& clock = program.platform.clock;
    const std::uint32_t start = clock.tickCount();
    ReceiveBuffer buffer = {};
    if (port.read(buffer, 1, kIdleReadWaitMs) == 1) {
        readQueued(program, buffer, 1, port.clearErrors());
        return;
    }
    if (clock.tickCount() - start < kIdlePassPauseMs)
        clock.sleepMs(kIdlePassPauseMs);
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

int OpenPort(Program& program)
{
    ComPort& port = program.platform.comPort;
    char device[16];
    comDeviceName(program.settings.comPort, device);
    if (!port.open(device)) {
        program.port.portHandle = PortHandle::Invalid;
        return PortOpenFailed;
    }
    program.port.portHandle = PortHandle::Open;
    // Marked before they exist: the close releases those made before a failure.
    program.port.completionEvent = true;
    if (!port.createCompletionEvents())
        return 0;
    port.setupQueues(kPortQueueBytes, kPortQueueBytes);

    if (program.settings.transmissionType == RS232) {
        program.transfer.running = 0;
        applyRs232Line(program);
    } else {
        if (ConfigureCradle(program) != 1)
            return CradleSetupFailed;
        program.transfer.running = 0;
        port.purge(PurgeTxClear | PurgeRxClear);
        if (!port.setLineConfig(program.port.lineConfig))
            return CradleSetupFailed;
    }
    return StartReaderThread(program) ? 1 : ThreadStartFailed;
}

int StartReaderThread(Program& program)
{
    if (!program.platform.readerThread.start(readerThreadBody, &program))
        return 0;
    program.port.readerThread = true;
    return 1;
}

void ReaderThread(Program& program)
{
    if (!program.platform.comPort.setEventMask(kEventRxChar))
        return;
    program.platform.clock.sleepMs(kReaderStartPauseMs);
    while (program.transfer.running)
        ReaderPass(program);
}

void ReaderPass(Program& program)
{
    ComPort& port = program.platform.comPort;
    std::uint32_t mask = 0;
    port.waitEvent(mask);
    const std::uint32_t queued = port.clearErrors();
    if (queued == 0) {
        awaitFirstByte(program);
        return;
    }
    ReceiveBuffer buffer = {};
    readQueued(program, buffer, 0, queued);
}

bool WritePort(Program& program, const std::uint8_t* bytes, std::uint32_t count)
{
    std::lock_guard<std::mutex> hold(program.port.writeLock);
    return program.platform.comPort.write(bytes, count);
}

int SendCommand(Program& program, const char* text, std::uint32_t timeoutMs)
{
    program.platform.clock.sleepMs(kCommandPauseMs);
    return WriteCommand(program, text, timeoutMs);
}

int WriteCommand(Program& program, const char* text, std::uint32_t timeoutMs)
{
    program.platform.comPort.purge(purgeBefore(text));
    const auto length = static_cast<std::uint32_t>(std::strlen(text));
    if (!WritePort(program, reinterpret_cast<const std::uint8_t*>(text), length))
        return 0;
    program.platform.clock.sleepMs(kCommandPauseMs);
    program.armProtocolTimer(timeoutMs);
    return 1;
}

void ClosePort(Program& program)
{
    program.stopProtocolTimer();
    StopReaderThread(program);
    if (program.port.portHandle == PortHandle::Open) {
        program.platform.comPort.purge(PurgeRxAbort | PurgeRxClear);
        program.platform.comPort.close();
    }
    program.port.portHandle = PortHandle::None;
}

void StopReaderThread(Program& program)
{
    program.transfer.running = 0;
    if (program.port.portHandle == PortHandle::Open)
        program.platform.comPort.setEventMask(0);
    if (program.port.readerThread)
        program.platform.readerThread.waitForEnd();
    if (program.port.completionEvent)
        program.platform.comPort.closeCompletionEvents();
    if (program.port.readerThread)
        program.platform.readerThread.close();
    program.port.completionEvent = false;
    program.port.readerThread = false;
}

}  // namespace orvanta
