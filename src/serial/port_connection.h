/*
 * The one COM port connection: opening and configuring the port, writing,
 * the receive thread that hands every chunk it reads to a receive sink,
 * and closing everything down.
 */
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/clock.h"
#include "protocol/command_link.h"
#include "protocol/receive_sink.h"
#include "serial/com_port.h"
#include "settings/settings.h"

namespace orvanta {

enum class PortHandle { None, Invalid, Open };

constexpr std::uint32_t kPortQueueBytes = 1024;
constexpr std::uint32_t kReceiveBufferBytes = 1024;

struct PortServices {
    ComPort& comPort;
    ReaderThreadHost& readerThread;
    Clock& clock;
};

class PortConnection final : public CommandLink {
public:
    // `running` keeps the receive thread looping; the transfer sets it once
    // the port is open, and stopping the thread clears it.
    PortConnection(const Settings& settings, const PortServices& services, ReceiveSink& sink,
                   std::atomic<bool>& running);
    PortConnection(const PortConnection&) = delete;
    PortConnection& operator=(const PortConnection&) = delete;

    [[nodiscard]] StatusCode openPort() override;
    void closePort() override;
    [[nodiscard]] bool writeCommand(const char* command) override;
    std::uint32_t bytesWaiting() override;
    bool portLost() override;

    // One start of the receive thread. A thread that did not end in time
    // at its stop is dismissed: it may come back from a stuck call while a
    // later connection runs, and must then neither read nor report. Its
    // run is kept for ever, since the thread may look at it at any time.
    struct ReaderRun {
        explicit ReaderRun(PortConnection* owner) : connection(owner) {}
        PortConnection* connection;
        std::atomic<bool> dismissed{false};
    };

    [[nodiscard]] bool startReaderThread();
    void stopReaderThread();
    // The receive loop, and one pass of it, for the given run; without one,
    // for the current run (tests drive the loop pass by pass).
    void readerLoop(const ReaderRun& run);
    void readerPass(const ReaderRun& run);
    void readerLoop() { readerLoop(*run_); }
    void readerPass() { readerPass(*run_); }
    // Writes through the connection's write lock: commands come from both
    // threads, cradle control bytes from the UI thread.
    [[nodiscard]] bool writePort(const std::uint8_t* bytes, std::uint32_t count);

    const Settings& settings;
    const PortServices services;

    PortHandle portHandle = PortHandle::None;
    bool readerThread = false;
    bool completionEvent = false;
    LineConfig lineConfig{};
    // Infrared cradle: the rate it last answered at or was switched to (0:
    // none), kept from one connection to the next, and the current pause
    // after each control byte.
    std::uint32_t rememberedCradleRate = 0;
    std::uint32_t settleDelayMs = 0;

private:
    using ReceiveBuffer = std::uint8_t[kReceiveBufferBytes];
    void applyRs232Line();
    void readQueued(const ReaderRun& run, ReceiveBuffer& buffer, std::uint32_t held, std::uint32_t queued);
    void awaitFirstByte(const ReaderRun& run);

    ReceiveSink& sink_;
    std::atomic<bool>& running_;
    std::atomic<bool> readerEnded_{false};   // ended by itself, not by a stop
    std::unique_ptr<ReaderRun> run_ = std::make_unique<ReaderRun>(this);
    std::mutex writeLock_;
};

// 8 data bits, no parity, one stop bit at the given rate, RTS and DTR on,
// binary, no flow control of any kind, nothing dropped or replaced, no
// abort on errors.
void setDataLine(LineConfig& line, std::uint32_t rate);

// "\\.\COM<n>" into a 16-byte buffer.
void comDeviceName(int comPort, char (&name)[16]);

}  // namespace orvanta
