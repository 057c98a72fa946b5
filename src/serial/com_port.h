/*
 * The COM port as a connection needs it: open it, set its line, read what
 * has come, write, close, and whether its device is still there. One
 * implementation talks to a Windows COM device and keeps the platform's
 * quirks (receive-event waits that do not block, reads that stay pending,
 * drivers that never end a request) to itself; tests use a scripted one.
 */
#pragma once

#include <cstdint>
#include <functional>

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

// 8 data bits, no parity, one stop bit at the given rate, RTS and DTR on,
// binary, no flow control of any kind, nothing dropped or replaced, no
// abort on errors.
inline void setDataLine(LineConfig& line, std::uint32_t rate)
{
    line = LineConfig{};
    line.baudRate = rate;
}

class ComPort {
public:
    virtual ~ComPort() = default;
    // Opens the device unshared, with 1024-byte queues and the receive
    // event asked for; false when it cannot be had.
    [[nodiscard]] virtual bool open(const char* deviceName) = 0;
    // Sets the whole line; false when the port refused it.
    virtual bool configure(const LineConfig& config) = 0;
    // Up to count bytes of what has come, waiting at most waitMs for the
    // first (wake ends the wait early): the bytes read, 0 for none, -1
    // when the read failed.
    [[nodiscard]] virtual std::int32_t read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t waitMs) = 0;
    // Drops what is queued both ways.
    virtual void discard() = 0;
    // Writes all bytes, after dropping what has come unread when asked; a
    // write that cannot go out gives up after a bounded time (false).
    [[nodiscard]] virtual bool write(const std::uint8_t* bytes, std::uint32_t count, bool dropUnread) = 0;
    // How many bytes have come that have not been read yet.
    virtual std::uint32_t unread() = 0;
    // From any thread: a read that waits returns now.
    virtual void wake() = 0;
    // Cancels what is still under way and closes the device; a handle a
    // driver may still be using is let go instead, for good.
    virtual void close() = 0;
    // True once a call on the port has failed in a way that means the
    // device has gone (an adapter pulled out): only a new open can reach
    // it again. A request that did not end even when cancelled counts.
    virtual bool lost() = 0;
};

// Starts a thread that runs the body to its end on its own, at a priority
// that lets it read as bytes come; false when none could be started.
using ThreadStarter = std::function<bool(std::function<void()> body)>;

}  // namespace orvanta
