/*
 * The COM port on Windows, opened for overlapped I/O. Reads, writes and
 * the receive-event wait each have a completion record of their own, and
 * every wait of a read can be woken, so that a command goes out at once.
 *
 * Not every port behaves like a UART driver: under wine a pseudo-terminal
 * ends the receive-event wait at once and keeps a read with "return at
 * once" time-outs pending until a byte comes. So a read asks how much is
 * queued whatever the event wait said, and waits for the first byte in a
 * one-byte read where nothing is; a read the platform leaves under way
 * past its time is cancelled and awaited, so that it never writes into a
 * buffer its caller has moved on from.
 *
 * Nor does every driver end a cancelled request: one whose USB adapter was
 * pulled out may keep it for ever. No wait here is unbounded. What the
 * driver may still write into (the completion record, its event, the
 * bytes) lives in a heap block of its own that is then left behind for
 * good, and the port counts as lost so that the engine opens it anew.
 */
#include "serial/com_port_win32.h"

#include <cstring>
#include <initializer_list>
#include <vector>

namespace orvanta {

struct IoBlock {
    OVERLAPPED done{};
    DWORD mask = 0;                    // what a receive-event wait reports
    std::vector<std::uint8_t> bytes;   // read into, or written from
    bool underWay = false;             // issued, and not yet seen to end
};

namespace {

constexpr DWORD kPortQueueBytes = 1024;
// A command is a few bytes; with no flow control nothing should hold a
// write up for long. A driver that does anyway must not hang the worker.
constexpr DWORD kWriteTimeoutMs = 1000;
constexpr DWORD kWriteMsPerByte = 2;
constexpr DWORD kWriteWaitMs = 2000;
// What is queued is there: reading it takes no time on a healthy port.
constexpr DWORD kQueuedReadWaitMs = 500;
// A driver ends a cancelled request in microseconds; one that has not
// after this long is taken to never end it.
constexpr DWORD kCancelledEndMs = 200;
// A port whose event wait and first-byte read both return at once would
// otherwise keep the worker spinning.
constexpr DWORD kIdlePassPauseMs = 5;
// An event wait that ended by itself with nothing, this many times in a
// row, is not waited on again on this port.
constexpr int kUselessEventWaits = 3;

std::atomic<std::uint32_t> portsLetGo{0};

bool isUnderWay(DWORD error)
{
    return error == ERROR_IO_PENDING || error == 0;
}

IoBlock* newBlock()
{
    auto* block = new IoBlock;
    block->done.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return block;
}

void freeBlock(IoBlock* block)
{
    if (!block)
        return;
    if (block->done.hEvent)
        CloseHandle(block->done.hEvent);
    delete block;
}

}  // namespace

std::uint32_t comPortsLetGo()
{
    return portsLetGo;
}

Win32ComPort::Win32ComPort() : wake_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

Win32ComPort::~Win32ComPort()
{
    close();
    if (wake_)
        CloseHandle(wake_);
}

// Waits at most waitMs for the block's request to end by itself, then
// cancels it and gives it a little longer.
Win32ComPort::Ending Win32ComPort::awaitEnd(IoBlock& block, DWORD waitMs)
{
    if (WaitForSingleObject(block.done.hEvent, waitMs) == WAIT_OBJECT_0)
        return Ending::InTime;
    CancelIoEx(port_, &block.done);
    if (WaitForSingleObject(block.done.hEvent, kCancelledEndMs) == WAIT_OBJECT_0)
        return Ending::Cancelled;
    return Ending::Never;
}

// The block stays allocated, with its event, for as long as the process
// runs: the driver may still complete the request into it. The handle is
// kept as well (see close) and the port counts as lost.
void Win32ComPort::giveUp(IoBlock*& slot)
{
    slot = nullptr;
    keepHandle_ = true;
    health_.noteGivenUp();
}

// A port whose receive event cannot be asked for would never be read.
bool Win32ComPort::open(const char* deviceName)
{
    health_.reset();
    keepHandle_ = false;
    eventWaitsAtOnce_ = 0;
    port_ = CreateFileA(deviceName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_OVERLAPPED, nullptr);
    if (port_ == INVALID_HANDLE_VALUE)
        return false;
    for (IoBlock** slot : {&read_, &write_, &wait_})
        *slot = newBlock();
    SetupComm(port_, kPortQueueBytes, kPortQueueBytes);
    dcb_.DCBlength = sizeof dcb_;
    GetCommState(port_, &dcb_);
    COMMTIMEOUTS timeouts = portTimeouts();
    SetCommTimeouts(port_, &timeouts);
    const bool made = read_->done.hEvent && write_->done.hEvent && wait_->done.hEvent && wake_;
    if (made && SetCommMask(port_, EV_RXCHAR))
        return true;
    close();
    return false;
}

void applyLineConfig(DCB& dcb, const LineConfig& config)
{
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = config.baudRate;
    dcb.ByteSize = config.byteSize;
    dcb.Parity = config.parity;
    dcb.StopBits = config.stopBits;
    dcb.fRtsControl = config.rtsOn ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    dcb.fDtrControl = config.dtrOn ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    dcb.fOutxCtsFlow = config.outxCtsFlow;
    dcb.fOutX = config.outX;
    dcb.fBinary = config.binary;
    dcb.fParity = config.parityCheck;
    dcb.fOutxDsrFlow = config.outxDsrFlow;
    dcb.fDsrSensitivity = config.dsrSensitivity;
    dcb.fInX = config.inX;
    dcb.fErrorChar = config.errorChar;
    dcb.fNull = config.nullStripping;
    dcb.fAbortOnError = config.abortOnError;
}

LineConfig lineConfigOf(const DCB& dcb)
{
    LineConfig config;
    config.baudRate = dcb.BaudRate;
    config.byteSize = dcb.ByteSize;
    config.parity = dcb.Parity;
    config.stopBits = dcb.StopBits;
    config.rtsOn = dcb.fRtsControl == RTS_CONTROL_ENABLE;
    config.dtrOn = dcb.fDtrControl == DTR_CONTROL_ENABLE;
    config.outxCtsFlow = dcb.fOutxCtsFlow != 0;
    config.outX = dcb.fOutX != 0;
    config.binary = dcb.fBinary != 0;
    config.parityCheck = dcb.fParity != 0;
    config.outxDsrFlow = dcb.fOutxDsrFlow != 0;
    config.dsrSensitivity = dcb.fDsrSensitivity != 0;
    config.inX = dcb.fInX != 0;
    config.errorChar = dcb.fErrorChar != 0;
    config.nullStripping = dcb.fNull != 0;
    config.abortOnError = dcb.fAbortOnError != 0;
    return config;
}

COMMTIMEOUTS portTimeouts()
{
    return COMMTIMEOUTS{MAXDWORD, 0, 0, kWriteMsPerByte, kWriteTimeoutMs};
}

// The DCB fields the program does not set stay as the port reported them.
bool Win32ComPort::configure(const LineConfig& config)
{
    applyLineConfig(dcb_, config);
    return SetCommState(port_, &dcb_) != FALSE;
}

void Win32ComPort::discard()
{
    PurgeComm(port_, PURGE_TXCLEAR | PURGE_RXCLEAR);
}

std::uint32_t Win32ComPort::clearErrors()
{
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(port_, &errors, &status)) {
        noteLastError();
        return 0;
    }
    health_.noteSuccess();
    return status.cbInQue;
}

// A wake ends the read at once: a command is waiting to go out.
std::int32_t Win32ComPort::read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t waitMs)
{
    const ULONGLONG start = GetTickCount64();
    woken_ = false;
    std::int32_t got = 0;
    if (read_ && read_->underWay) {
        got = awaitFirstByte(buffer, waitMs);
    } else {
        std::uint32_t queued = clearErrors();
        if (queued == 0 && awaitReceiveEvent(waitMs))
            queued = clearErrors();
        if (queued > 0)
            return readQueued(buffer, queued < count ? queued : count);
        if (woken_)
            return 0;
        got = readFirstByte(buffer, waitMs);
    }
    if (got == 1 && count > 1)
        return 1 + readRest(buffer + 1, count - 1);
    if (got == 0 && !woken_ && GetTickCount64() - start < kIdlePassPauseMs)
        WaitForSingleObject(wake_, kIdlePassPauseMs);
    return got;
}

// A wait still under way when its time is up, or when it is woken, is
// picked up again by the next read. On a port where it ends by itself with
// nothing, time after time (a pseudo-terminal under wine, which starts a
// thread for each), it is not waited on any more: the first-byte read
// does the waiting there.
bool Win32ComPort::awaitReceiveEvent(DWORD waitMs)
{
    IoBlock* block = wait_;
    if (!block || eventWaitsAtOnce_ >= kUselessEventWaits)
        return false;
    const bool received = waitReceiveEvent(*block, waitMs);
    // A wait that brought bytes says nothing either way; one still under
    // way, or woken, shows the port's waits work.
    if (!received && !woken_ && !block->underWay)
        ++eventWaitsAtOnce_;
    else if (!received)
        eventWaitsAtOnce_ = 0;
    return received;
}

bool Win32ComPort::waitReceiveEvent(IoBlock& receive, DWORD waitMs)
{
    IoBlock* block = &receive;
    if (!block->underWay) {
        block->mask = 0;
        if (WaitCommEvent(port_, &block->mask, &block->done))
            return (block->mask & EV_RXCHAR) != 0;
        if (GetLastError() != ERROR_IO_PENDING) {
            noteLastError();
            return false;
        }
        block->underWay = true;
    }
    const HANDLE waits[] = {block->done.hEvent, wake_};
    const DWORD waited = WaitForMultipleObjects(2, waits, FALSE, waitMs);
    woken_ = waited == WAIT_OBJECT_0 + 1;
    if (waited != WAIT_OBJECT_0)
        return false;
    block->underWay = false;
    DWORD unused = 0;
    if (!GetOverlappedResult(port_, &block->done, &unused, FALSE)) {
        noteLastError();
        return false;
    }
    return (block->mask & EV_RXCHAR) != 0;
}

// The event wait does not block on every port: on a pseudo-terminal under
// wine it returns at once. A one-byte read waits for the next byte there
// instead; on a Windows port it returns at once, with or without one.
std::int32_t Win32ComPort::readFirstByte(std::uint8_t* buffer, DWORD waitMs)
{
    IoBlock* block = read_;
    if (!block)
        return -1;
    block->bytes.resize(1);
    DWORD got = 0;
    if (ReadFile(port_, block->bytes.data(), 1, &got, &block->done)) {
        buffer[0] = block->bytes[0];
        return static_cast<std::int32_t>(got);
    }
    if (GetLastError() != ERROR_IO_PENDING) {
        noteLastError();
        return -1;
    }
    block->underWay = true;
    return awaitFirstByte(buffer, waitMs);
}

// A first-byte read whose time is up, or that is woken, stays under way
// and is picked up by the next read: cancelling it each time would cost
// wine a thread for the next.
std::int32_t Win32ComPort::awaitFirstByte(std::uint8_t* buffer, DWORD waitMs)
{
    IoBlock& block = *read_;
    const HANDLE waits[] = {block.done.hEvent, wake_};
    const DWORD waited = WaitForMultipleObjects(2, waits, FALSE, waitMs);
    woken_ = waited == WAIT_OBJECT_0 + 1;
    if (waited != WAIT_OBJECT_0)
        return 0;
    block.underWay = false;
    DWORD got = 0;
    if (!GetOverlappedResult(port_, &block.done, &got, FALSE)) {
        noteLastError();
        return -1;
    }
    buffer[0] = block.bytes[0];
    return static_cast<std::int32_t>(got);
}

// What came behind the first byte.
std::int32_t Win32ComPort::readRest(std::uint8_t* buffer, std::uint32_t count)
{
    const std::uint32_t queued = clearErrors();
    if (queued == 0)
        return 0;
    const std::int32_t rest = readQueued(buffer, queued < count ? queued : count);
    return rest < 0 ? 0 : rest;
}

// The driver reads into the block, never into the caller's buffer: a read
// given up could otherwise write into memory its caller has reused. What
// is queued is there, so a read that stays under way is cancelled after a
// while, and what it read by then counts.
std::int32_t Win32ComPort::readQueued(std::uint8_t* buffer, std::uint32_t count)
{
    IoBlock* block = read_;
    if (!block)
        return -1;
    block->bytes.resize(count);
    DWORD got = 0;
    if (!ReadFile(port_, block->bytes.data(), count, &got, &block->done)) {
        if (GetLastError() != ERROR_IO_PENDING) {
            noteLastError();
            return -1;
        }
        if (awaitEnd(*block, kQueuedReadWaitMs) == Ending::Never) {
            giveUp(read_);
            return -1;
        }
        if (!GetOverlappedResult(port_, &block->done, &got, FALSE) && GetLastError() != ERROR_OPERATION_ABORTED) {
            noteLastError();
            return -1;
        }
    }
    std::memcpy(buffer, block->bytes.data(), got);
    return static_cast<std::int32_t>(got);
}

// Before READ and NAK whatever the collector sent is stale; before an ACK
// it is not: the collector's next record can already be on its way. The
// port's write time-out bounds a write on a driver that honours it; the
// wait here bounds it on one that does not. A write cancelled that way
// has failed, whatever part of it went out.
bool Win32ComPort::write(const std::uint8_t* bytes, std::uint32_t count, bool dropUnread)
{
    IoBlock* block = write_;
    if (!block)
        return false;
    PurgeComm(port_, dropUnread ? PURGE_TXCLEAR | PURGE_RXCLEAR : PURGE_TXCLEAR);
    block->bytes.assign(bytes, bytes + count);
    DWORD written = 0;
    if (WriteFile(port_, block->bytes.data(), count, &written, &block->done))
        return written == count;
    if (!isUnderWay(GetLastError())) {
        noteLastError();
        return false;
    }
    switch (awaitEnd(*block, kWriteWaitMs)) {
    case Ending::Never: giveUp(write_); return false;
    case Ending::Cancelled: return false;
    case Ending::InTime: break;
    }
    if (GetOverlappedResult(port_, &block->done, &written, FALSE))
        return written == count;
    if (isUnderWay(GetLastError()))
        return true;
    noteLastError();
    return false;
}

// A wait left under way normally ends when the mask is cleared; one that
// does not is cancelled, and given up if even that does not end it.
// Closing the handle runs the driver's clean-up synchronously, and the
// requests still under way hold the device open in the kernel anyway:
// with a driver that never ended one of them the close could hang for
// ever and would free nothing. Such a handle is left open for good. A
// pulled and re-plugged adapter comes back as a new device that opens
// anew; a driver that hangs with its device still there needs the
// program restarted in any case.
void Win32ComPort::close()
{
    if (port_ == INVALID_HANDLE_VALUE)
        return;
    SetCommMask(port_, 0);
    PurgeComm(port_, PURGE_RXABORT | PURGE_RXCLEAR);
    if (wait_ && wait_->underWay && awaitEnd(*wait_, 0) == Ending::Never)
        giveUp(wait_);
    if (read_ && read_->underWay && awaitEnd(*read_, 0) == Ending::Never)
        giveUp(read_);
    CancelIoEx(port_, nullptr);
    if (keepHandle_)
        ++portsLetGo;
    else
        CloseHandle(port_);
    port_ = INVALID_HANDLE_VALUE;
    keepHandle_ = false;
    freeBlocks();
}

void Win32ComPort::freeBlocks()
{
    for (IoBlock** slot : {&read_, &write_, &wait_}) {
        freeBlock(*slot);
        *slot = nullptr;
    }
}

namespace {

DWORD WINAPI threadEntry(LPVOID parameter)
{
    auto* body = static_cast<std::function<void()>*>(parameter);
    (*body)();
    delete body;
    return 0;
}

}  // namespace

bool startPortThread(std::function<void()> body)
{
    auto* handOver = new std::function<void()>(std::move(body));
    HANDLE thread = CreateThread(nullptr, 0, threadEntry, handOver, 0, nullptr);
    if (!thread) {
        delete handOver;
        return false;
    }
    SetThreadPriority(thread, THREAD_PRIORITY_HIGHEST);
    CloseHandle(thread);
    return true;
}

}  // namespace orvanta
