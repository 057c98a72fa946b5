/*
 * The COM port as the serial link needs it. One implementation talks to a
 * Windows COM device; tests use a scripted one. Each operation keeps its
 * own completion record inside the implementation, so a read, a write and
 * the receive-event wait can never share one while in flight.
 */
#pragma once

#include <cstdint>

namespace orvanta {

// The line configuration the program sets. Everything a port can keep
// from the program that used it last and that would stop or change the
// bytes is here, so that each connection starts from a known line; the
// rest (XON/XOFF characters and limits) has no effect with these settings.
struct LineConfig {
    std::uint32_t baudRate = 0;
    std::uint8_t byteSize = 8;
    std::uint8_t parity = 0;     // no parity
    std::uint8_t stopBits = 0;   // one stop bit
    bool rtsOn = true;
    bool dtrOn = true;
    bool outxCtsFlow = false;
    bool outX = false;
    bool binary = true;
    bool parityCheck = false;
    bool outxDsrFlow = false;
    bool dsrSensitivity = false;   // on: every byte is dropped while DSR is off
    bool inX = false;
    bool errorChar = false;        // on: bytes with parity errors are replaced
    bool nullStripping = false;    // on: every 0 byte is dropped (every sequence value 0)
    bool abortOnError = false;     // on: every read and write fails after a line error

    bool operator==(const LineConfig&) const = default;
};

// Purge flags and the receive event, with the platform's values.
enum class PurgeFlag : std::uint32_t { RxAbort = 0x2, TxClear = 0x4, RxClear = 0x8 };
constexpr PurgeFlag operator|(PurgeFlag a, PurgeFlag b)
{
    return static_cast<PurgeFlag>(static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b));
}
constexpr bool hasFlag(PurgeFlag flags, PurgeFlag flag)
{
    return (static_cast<std::uint32_t>(flags) & static_cast<std::uint32_t>(flag)) != 0;
}
constexpr std::uint32_t kEventRxChar = 0x1;

class ComPort {
public:
    virtual ~ComPort() = default;
    // Opens the device for overlapped reading and writing, unshared.
    [[nodiscard]] virtual bool open(const char* deviceName) = 0;
    [[nodiscard]] virtual bool createCompletionEvents() = 0;
    virtual void closeCompletionEvents() = 0;
    virtual void setupQueues(std::uint32_t inputBytes, std::uint32_t outputBytes) = 0;
    virtual bool getLineConfig(LineConfig& config) = 0;
    virtual bool setLineConfig(const LineConfig& config) = 0;
    // Reads return at once with what has arrived; a write that cannot go
    // out gives up after a bounded time.
    virtual void setTimeouts() = 0;
    virtual void purge(PurgeFlag flags) = 0;
    virtual bool setEventMask(std::uint32_t mask) = 0;
    // Waits for a receive event; false when the wait failed or ended early.
    virtual bool waitEvent(std::uint32_t& mask) = 0;
    // Clears the line's error state and gives the number of queued bytes.
    virtual std::uint32_t clearErrors() = 0;
    // Reads up to count bytes, waiting at most waitMs for a read the
    // platform leaves under way (it is cancelled then). Bytes read, or -1.
    [[nodiscard]] virtual std::int32_t read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t waitMs) = 0;
    // Writes all bytes; a write still under way is awaited for a bounded
    // time, then cancelled (false).
    [[nodiscard]] virtual bool write(const std::uint8_t* bytes, std::uint32_t count) = 0;
    // Cancels what is still under way on the port and closes it.
    virtual void close() = 0;
    // True once a call on the port has failed in a way that means the
    // device has gone (an adapter pulled out): the handle is dead and
    // only a new open can reach the device again. A request that did not
    // end even when cancelled counts as such a failure.
    virtual bool lost() = 0;
    // The receive thread did not end in time and was left to end by
    // itself: whatever it may still be using on the port must stay valid.
    virtual void readerGivenUp() {}
    // How many requests, handles and threads were left behind because a
    // driver never ended what was asked of it.
    virtual std::uint32_t handlesGivenUp() const { return 0; }
};

// The receive thread: started at the highest priority, awaited at stop
// for a bounded time.
class ReaderThreadHost {
public:
    virtual ~ReaderThreadHost() = default;
    [[nodiscard]] virtual bool start(void (*body)(void*), void* argument) = 0;
    // False when the thread did not end in time: it is left to end by
    // itself, and its argument must stay valid for as long as it runs.
    [[nodiscard]] virtual bool waitForEnd() = 0;
    virtual void close() = 0;
};

}  // namespace orvanta
