/*
 * The COM port on Windows, and the thread a connection's worker runs on.
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
    Win32ComPort();
    ~Win32ComPort() override;
    Win32ComPort(const Win32ComPort&) = delete;
    Win32ComPort& operator=(const Win32ComPort&) = delete;

    bool open(const char* deviceName) override;
    bool configure(const LineConfig& config) override;
    std::int32_t read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t waitMs) override;
    void discard() override;
    bool write(const std::uint8_t* bytes, std::uint32_t count, bool dropUnread) override;
    std::uint32_t unread() override { return clearErrors(); }
    void wake() override { SetEvent(wake_); }
    void close() override;
    bool lost() override { return health_.lost(); }

private:
    enum class Ending { InTime, Cancelled, Never };
    void noteLastError() { health_.noteFailure(GetLastError()); }
    std::uint32_t clearErrors();
    bool awaitReceiveEvent(DWORD waitMs);
    bool waitReceiveEvent(IoBlock& block, DWORD waitMs);
    std::int32_t readFirstByte(std::uint8_t* buffer, DWORD waitMs);
    std::int32_t awaitFirstByte(std::uint8_t* buffer, DWORD waitMs);
    std::int32_t readRest(std::uint8_t* buffer, std::uint32_t count);
    std::int32_t readQueued(std::uint8_t* buffer, std::uint32_t count);
    Ending awaitEnd(IoBlock& block, DWORD waitMs);
    void giveUp(IoBlock*& slot);
    void freeBlocks();

    HANDLE port_ = INVALID_HANDLE_VALUE;
    HANDLE wake_ = nullptr;
    PortHealth health_;
    DCB dcb_{};
    // Null once given up: that kind of request fails at once from then on.
    IoBlock* read_ = nullptr;
    IoBlock* write_ = nullptr;
    IoBlock* wait_ = nullptr;
    bool keepHandle_ = false;   // a request on it may never end
    bool woken_ = false;        // the read under way was woken
    int eventWaitsAtOnce_ = 0;  // receive-event waits in a row that ended by themselves with nothing
};

// How many port handles were let go, kept open for good, because a driver
// never ended a request on them.
std::uint32_t comPortsLetGo();

// The DCB fields the program sets, from the line configuration and back;
// the other fields stay as they are.
void applyLineConfig(DCB& dcb, const LineConfig& config);
LineConfig lineConfigOf(const DCB& dcb);
// Reads return at once; writes give up after a bounded time.
COMMTIMEOUTS portTimeouts();

// Starts a connection's worker at the highest priority, so that it reads
// as bytes come; the thread ends by itself.
bool startPortThread(std::function<void()> body);

}  // namespace orvanta
