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
 */
#include "serial/com_port_win32.h"

#include <initializer_list>

namespace orvanta {
namespace {

constexpr DWORD kEventWaitSliceMs = 250;
// A command is a few bytes; with no flow control nothing should hold a
// write up for long. A driver that does anyway must not hang the thread
// that writes (the UI thread, or the receive thread Stop waits for).
constexpr DWORD kWriteTimeoutMs = 1000;
constexpr DWORD kWriteMsPerByte = 2;
constexpr DWORD kWriteWaitMs = 2000;

bool isUnderWay(DWORD error)
{
    return error == ERROR_IO_PENDING || error == 0;
}

// Waits at most waitMs for an operation under way, and cancels it when the
// time is up. False when it had to be cancelled; the caller then awaits the
// cancelled operation before its buffer goes.
bool awaitOrCancel(HANDLE port, OVERLAPPED& done, DWORD waitMs)
{
    if (WaitForSingleObject(done.hEvent, waitMs) == WAIT_OBJECT_0)
        return true;
    CancelIoEx(port, &done);
    return false;
}

}  // namespace

bool Win32ComPort::open(const char* deviceName)
{
    health_.reset();
    port_ = CreateFileA(deviceName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_OVERLAPPED, nullptr);
    return port_ != INVALID_HANDLE_VALUE;
}

bool Win32ComPort::createCompletionEvents()
{
    readDone_ = OVERLAPPED{};
    writeDone_ = OVERLAPPED{};
    waitDone_ = OVERLAPPED{};
    readDone_.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    writeDone_.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    waitDone_.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return readDone_.hEvent && writeDone_.hEvent && waitDone_.hEvent;
}

void Win32ComPort::closeCompletionEvents()
{
    for (OVERLAPPED* done : {&readDone_, &writeDone_, &waitDone_}) {
        if (done->hEvent)
            CloseHandle(done->hEvent);
        done->hEvent = nullptr;
    }
    waitPending_ = false;
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
    if (!waitPending_) {
        waitMask_ = 0;
        if (WaitCommEvent(port_, &waitMask_, &waitDone_)) {
            mask = waitMask_;
            return true;
        }
        if (GetLastError() != ERROR_IO_PENDING) {
            noteLastError();
            return false;
        }
        waitPending_ = true;
    }
    if (WaitForSingleObject(waitDone_.hEvent, kEventWaitSliceMs) != WAIT_OBJECT_0)
        return false;   // still under way: the next call goes on waiting
    waitPending_ = false;
    DWORD unused = 0;
    if (!GetOverlappedResult(port_, &waitDone_, &unused, FALSE)) {
        noteLastError();
        return false;
    }
    mask = waitMask_;
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

std::int32_t Win32ComPort::read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t waitMs)
{
    DWORD got = 0;
    if (ReadFile(port_, buffer, count, &got, &readDone_))
        return static_cast<std::int32_t>(got);
    if (GetLastError() != ERROR_IO_PENDING) {
        noteLastError();
        return -1;
    }
    awaitOrCancel(port_, readDone_, waitMs);
    if (GetOverlappedResult(port_, &readDone_, &got, TRUE))
        return static_cast<std::int32_t>(got);
    if (GetLastError() == ERROR_OPERATION_ABORTED)   // cancelled here when its time was up
        return static_cast<std::int32_t>(got);
    noteLastError();
    return -1;
}

// The port's write time-out bounds a write on a driver that honours it; the
// wait here bounds it on one that does not. A write cancelled that way has
// failed, whatever part of it went out.
bool Win32ComPort::write(const std::uint8_t* bytes, std::uint32_t count)
{
    DWORD written = 0;
    if (WriteFile(port_, bytes, count, &written, &writeDone_))
        return written == count;
    if (!isUnderWay(GetLastError())) {
        noteLastError();
        return false;
    }
    if (!awaitOrCancel(port_, writeDone_, kWriteWaitMs)) {
        GetOverlappedResult(port_, &writeDone_, &written, TRUE);
        return false;
    }
    if (GetOverlappedResult(port_, &writeDone_, &written, FALSE))
        return written == count;
    if (isUnderWay(GetLastError()))
        return true;
    noteLastError();
    return false;
}

// Nothing may still be under way on the handle when it goes: a driver of a
// removed device may not end its requests by itself.
void Win32ComPort::close()
{
    if (port_ != INVALID_HANDLE_VALUE) {
        CancelIoEx(port_, nullptr);
        CloseHandle(port_);
    }
    port_ = INVALID_HANDLE_VALUE;
    waitPending_ = false;
}

bool Win32ReaderThread::start(void (*body)(void*), void* argument)
{
    body_ = body;
    argument_ = argument;
    thread_ = CreateThread(nullptr, 0, entry, this, 0, nullptr);
    if (!thread_)
        return false;
    SetThreadPriority(thread_, THREAD_PRIORITY_HIGHEST);
    return true;
}

DWORD WINAPI Win32ReaderThread::entry(LPVOID self)
{
    auto* host = static_cast<Win32ReaderThread*>(self);
    host->body_(host->argument_);
    return 0;
}

void Win32ReaderThread::waitForEnd()
{
    if (!thread_)
        return;
    ResumeThread(thread_);
    WaitForSingleObject(thread_, INFINITE);
}

void Win32ReaderThread::close()
{
    if (thread_)
        CloseHandle(thread_);
    thread_ = nullptr;
}

}  // namespace orvanta
