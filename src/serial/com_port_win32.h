/*
 * The COM port and the receive thread on Windows.
 */
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "serial/com_port.h"
#include "serial/port_health.h"

namespace orvanta {

struct IoBlock;   // one request's completion record and bytes

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
    void readerGivenUp() override;
    std::uint32_t handlesGivenUp() const override { return givenUp_; }

private:
    enum class Ending { InTime, Cancelled, Never };
    void noteLastError() { health_.noteFailure(GetLastError()); }
    Ending awaitEnd(IoBlock& block, DWORD waitMs);
    void giveUp(std::atomic<IoBlock*>& slot);

    HANDLE port_ = INVALID_HANDLE_VALUE;
    PortHealth health_;
    DCB dcb_{};
    // Null once given up: the kind of request fails at once until the next open.
    std::atomic<IoBlock*> read_{nullptr};
    std::atomic<IoBlock*> write_{nullptr};
    std::atomic<IoBlock*> wait_{nullptr};
    std::atomic<bool> keepHandle_{false};   // a request on it may never end
    std::atomic<std::uint32_t> givenUp_{0};
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
    bool waitForEnd() override;
    void close() override;

private:
    HANDLE thread_ = nullptr;
};

}  // namespace orvanta
