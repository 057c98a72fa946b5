/*
 * The COM port on Windows, opened for overlapped I/O. Reads, writes and
 * the receive-event wait each have a completion record of their own.
 *
 * Not every port behaves like a UART driver: under wine a pseudo-terminal
 * ends the event wait at once and keeps a read with "return at once"
 * time-outs pending until a byte comes. So the wait is bounded and a wait
 * still under way is picked up again by the next call, and a read the
 * platform leaves under way past its time is cancelled and awaited, so
 * that it never writes into a buffer its caller has moved on from.
 *
 * Nor does every driver end a cancelled request: one whose USB adapter was
 * pulled out may keep it for ever. No wait here is unbounded, so Stop,
 * sleep, logoff and Exit never hang on such a driver. What the driver may
 * still write into (the completion record, its event, the bytes) lives in
 * a heap block of its own that is then left behind for good, and the port
 * counts as lost so that the transfer opens it anew.
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

constexpr DWORD kEventWaitSliceMs = 250;
// A command is a few bytes; with no flow control nothing should hold a
// write up for long. A driver that does anyway must not hang the thread
// that writes (the UI thread, or the receive thread Stop waits for).
constexpr DWORD kWriteTimeoutMs = 1000;
constexpr DWORD kWriteMsPerByte = 2;
constexpr DWORD kWriteWaitMs = 2000;
// A driver ends a cancelled request in microseconds; one that has not
// after this long is taken to never end it.
constexpr DWORD kCancelledEndMs = 200;
// The receive thread's longest pass on a healthy port is a 500 ms read
// window; one stuck in a request that will not end comes back after that
// window and the cancel time. Past this the thread is left behind, so that
// closing takes about a second at worst.
constexpr DWORD kReaderEndMs = 800;

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
void Win32ComPort::giveUp(std::atomic<IoBlock*>& slot)
{
    if (slot.exchange(nullptr))
        ++givenUp_;
    keepHandle_ = true;
    health_.noteGivenUp();
}

bool Win32ComPort::open(const char* deviceName)
{
    health_.reset();
    keepHandle_ = false;
    port_ = CreateFileA(deviceName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_OVERLAPPED, nullptr);
    return port_ != INVALID_HANDLE_VALUE;
}

// A block left behind by an earlier connection is never taken up again:
// each slot that is empty gets a fresh one.
bool Win32ComPort::createCompletionEvents()
{
    bool made = true;
    for (std::atomic<IoBlock*>* slot : {&read_, &write_, &wait_}) {
        if (!slot->load())
            slot->store(newBlock());
        made = made && slot->load()->done.hEvent;
    }
    return made;
}

// Runs once the receive thread has ended or been left behind. A wait the
// thread left under way normally ended when the event mask was cleared;
// one that has not is cancelled, and given up if even that does not end it.
void Win32ComPort::closeCompletionEvents()
{
    IoBlock* wait = wait_.load();
    if (wait && wait->underWay && awaitEnd(*wait, 0) == Ending::Never)
        giveUp(wait_);
    for (std::atomic<IoBlock*>* slot : {&read_, &write_, &wait_})
        freeBlock(slot->exchange(nullptr));
}

void Win32ComPort::setupQueues(std::uint32_t inputBytes, std::uint32_t outputBytes)
{
    SetupComm(port_, inputBytes, outputBytes);
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

bool Win32ComPort::getLineConfig(LineConfig& config)
{
    dcb_.DCBlength = sizeof dcb_;
    const bool ok = GetCommState(port_, &dcb_) != FALSE;
    config = lineConfigOf(dcb_);
    return ok;
}

// The DCB fields the program does not set stay as the port reported them.
bool Win32ComPort::setLineConfig(const LineConfig& config)
{
    applyLineConfig(dcb_, config);
    return SetCommState(port_, &dcb_) != FALSE;
}

void Win32ComPort::setTimeouts()
{
    COMMTIMEOUTS timeouts = portTimeouts();
    SetCommTimeouts(port_, &timeouts);
}

void Win32ComPort::purge(PurgeFlag flags)
{
    PurgeComm(port_, static_cast<DWORD>(flags));
}

bool Win32ComPort::setEventMask(std::uint32_t mask)
{
    return SetCommMask(port_, mask) != FALSE;
}

bool Win32ComPort::waitEvent(std::uint32_t& mask)
{
    mask = 0;
    IoBlock* block = wait_.load();
    if (!block)
        return false;
    if (!block->underWay) {
        block->mask = 0;
        if (WaitCommEvent(port_, &block->mask, &block->done)) {
            mask = block->mask;
            return true;
        }
        if (GetLastError() != ERROR_IO_PENDING) {
            noteLastError();
            return false;
        }
        block->underWay = true;
    }
    if (WaitForSingleObject(block->done.hEvent, kEventWaitSliceMs) != WAIT_OBJECT_0)
        return false;   // still under way: the next call goes on waiting
    block->underWay = false;
    DWORD unused = 0;
    if (!GetOverlappedResult(port_, &block->done, &unused, FALSE)) {
        noteLastError();
        return false;
    }
    mask = block->mask;
    return true;
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

// The driver reads into the block, never into the caller's buffer: a read
// given up could otherwise write into memory its caller has reused.
std::int32_t Win32ComPort::read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t waitMs)
{
    IoBlock* block = read_.load();
    if (!block)
        return -1;
    block->bytes.resize(count);
    DWORD got = 0;
    if (!ReadFile(port_, block->bytes.data(), count, &got, &block->done)) {
        if (GetLastError() != ERROR_IO_PENDING) {
            noteLastError();
            return -1;
        }
        if (awaitEnd(*block, waitMs) == Ending::Never) {
            giveUp(read_);
            return -1;
        }
        // Cancelled here when its time was up: what it read by then counts.
        if (!GetOverlappedResult(port_, &block->done, &got, FALSE) && GetLastError() != ERROR_OPERATION_ABORTED) {
            noteLastError();
            return -1;
        }
    }
    std::memcpy(buffer, block->bytes.data(), got);
    return static_cast<std::int32_t>(got);
}

// The port's write time-out bounds a write on a driver that honours it; the
// wait here bounds it on one that does not. A write cancelled that way has
// failed, whatever part of it went out.
bool Win32ComPort::write(const std::uint8_t* bytes, std::uint32_t count)
{
    IoBlock* block = write_.load();
    if (!block)
        return false;
    block->bytes.assign(bytes, bytes + count);
    DWORD written = 0;
    if (WriteFile(port_, block->bytes.data(), count, &written, &block->done))
        return written == count;
    if (!isUnderWay(GetLastError())) {
        noteLastError();
        return false;
    }
    switch (awaitEnd(*block, kWriteWaitMs)) {
    case Ending::Never:
        giveUp(write_);
        return false;
    case Ending::Cancelled:
        return false;
    case Ending::InTime:
        break;
    }
    if (GetOverlappedResult(port_, &block->done, &written, FALSE))
        return written == count;
    if (isUnderWay(GetLastError()))
        return true;
    noteLastError();
    return false;
}

// The thread may still be inside any call on the port, with any block.
void Win32ComPort::readerGivenUp()
{
    ++givenUp_;
    for (std::atomic<IoBlock*>* slot : {&read_, &write_, &wait_})
        slot->store(nullptr);
    keepHandle_ = true;
    health_.noteGivenUp();
}

// Closing the handle runs the driver's clean-up synchronously, and the
// requests still under way hold the device open in the kernel anyway: with
// a driver that never ended one of them the close could hang for ever and
// would free nothing. Such a handle is left open for good. A pulled and
// re-plugged adapter comes back as a new device that opens anew; a driver
// that hangs with its device still there needs the program restarted in
// any case.
void Win32ComPort::close()
{
    if (port_ != INVALID_HANDLE_VALUE) {
        CancelIoEx(port_, nullptr);
        if (keepHandle_)
            ++givenUp_;
        else
            CloseHandle(port_);
    }
    port_ = INVALID_HANDLE_VALUE;
    keepHandle_ = false;
}

namespace {

// What the thread runs, handed over on the heap: the host starts the next
// thread with other values, and a thread that is scheduled late must still
// run its own.
struct ThreadStart {
    void (*body)(void*);
    void* argument;
};

DWORD WINAPI threadEntry(LPVOID parameter)
{
    const ThreadStart start = *static_cast<ThreadStart*>(parameter);
    delete static_cast<ThreadStart*>(parameter);
    start.body(start.argument);
    return 0;
}

}  // namespace

bool Win32ReaderThread::start(void (*body)(void*), void* argument)
{
    auto* handOver = new ThreadStart{body, argument};
    thread_ = CreateThread(nullptr, 0, threadEntry, handOver, 0, nullptr);
    if (!thread_) {
        delete handOver;
        return false;
    }
    SetThreadPriority(thread_, THREAD_PRIORITY_HIGHEST);
    return true;
}

// A thread that does not end in time is left to end by itself: one whose
// request a driver never ends may not even be able to exit.
bool Win32ReaderThread::waitForEnd()
{
    if (!thread_)
        return true;
    return WaitForSingleObject(thread_, kReaderEndMs) == WAIT_OBJECT_0;
}

void Win32ReaderThread::close()
{
    if (thread_)
        CloseHandle(thread_);
    thread_ = nullptr;
}

}  // namespace orvanta
