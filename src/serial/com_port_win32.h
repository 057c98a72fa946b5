/*
 * The COM port and the receive thread on Windows.
 */
#pragma once

#include <windows.h>

#include "serial/com_port.h"
#include "serial/port_health.h"

namespace orvanta {

class Win32ComPort final : public ComPort {
public:
    bool open(const char* deviceName) override;
    bool createCompletionEvents() override;
    void closeCompletionEvents() override;
    void setupQueues(std::uint32_t inputBytes, std::uint32_t outputBytes) override;
    bool getLineConfig(LineConfig& config) override;
    bool setLineConfig(const LineConfig& config) override;
    void setTimeouts() override;
    void purge(PurgeFlag flags) override;
    bool setEventMask(std::uint32_t mask) override;
    bool waitEvent(std::uint32_t& mask) override;
    std::uint32_t clearErrors() override;
    std::int32_t read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t waitMs) override;
    bool write(const std::uint8_t* bytes, std::uint32_t count) override;
    void close() override;
    bool lost() override { return health_.lost(); }

private:
    void noteLastError() { health_.noteFailure(GetLastError()); }

    HANDLE port_ = INVALID_HANDLE_VALUE;
    PortHealth health_;
    DCB dcb_{};
    OVERLAPPED readDone_{};
    OVERLAPPED writeDone_{};
    OVERLAPPED waitDone_{};
    DWORD waitMask_ = 0;
    bool waitPending_ = false;
};

// The DCB fields the program sets, from the line configuration and back;
// the other fields stay as they are.
void applyLineConfig(DCB& dcb, const LineConfig& config);
LineConfig lineConfigOf(const DCB& dcb);
// Reads return at once; writes give up after a bounded time.
COMMTIMEOUTS portTimeouts();

class Win32ReaderThread final : public ReaderThreadHost {
public:
    bool start(void (*body)(void*), void* argument) override;
    void waitForEnd() override;
    void close() override;

private:
    static DWORD WINAPI entry(LPVOID self);
    HANDLE thread_ = nullptr;
    void (*body_)(void*) = nullptr;
    void* argument_ = nullptr;
};

}  // namespace orvanta
