/*
 * The one COM port connection: opening and configuring the port, writing
 * protocol commands, the receive thread, and closing everything down.
 */
#pragma once

#include <cstdint>
#include <mutex>

#include "serial/com_port.h"

namespace orvanta {

struct Program;

enum class PortHandle { None, Invalid, Open };

struct PortConnection {
    PortHandle portHandle = PortHandle::None;
    bool readerThread = false;
    bool completionEvent = false;
    LineConfig lineConfig{};
    // Infrared cradle: the rate it last answered at or was switched to (0:
    // none), kept from one connection to the next, and the current pause
    // after each control byte.
    std::uint32_t rememberedCradleRate = 0;
    std::uint32_t settleDelayMs = 0;
    // Commands come from both threads; only the write itself is serialised.
    std::mutex writeLock;
};

constexpr std::uint32_t kPortQueueBytes = 1024;
constexpr std::uint32_t kReceiveBufferBytes = 1024;
constexpr std::uint32_t kCommandPauseMs = 100;

int OpenPort(Program& program);
int StartReaderThread(Program& program);
void ReaderThread(Program& program);
// One pass of the receive loop; exposed so that tests can drive it.
void ReaderPass(Program& program);
int SendCommand(Program& program, const char* text, std::uint32_t timeoutMs);
// SendCommand without its first pause, for a caller that has made it.
int WriteCommand(Program& program, const char* text, std::uint32_t timeoutMs);
void ClosePort(Program& program);
void StopReaderThread(Program& program);

// Writes through the connection's write lock.
bool WritePort(Program& program, const std::uint8_t* bytes, std::uint32_t count);

// 8 data bits, no parity, one stop bit at the given rate, RTS and DTR on,
// binary, no flow control of any kind, nothing dropped or replaced, no
// abort on errors.
void setDataLine(LineConfig& line, std::uint32_t rate);

// "\\.\COM<n>" into a 16-byte buffer.
void comDeviceName(int comPort, char (&name)[16]);

}  // namespace orvanta
