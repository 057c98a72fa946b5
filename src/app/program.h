/*
 * The process-wide records and the parts that work on them, held in one
 * object so that each test can build a fresh program on fake platform
 * services. The Windows entry point builds exactly one.
 */
#pragma once

#include <cstdint>

#include "app/clock.h"
#include "app/status.h"
#include "keys/caps_lock_guard.h"
#include "keys/keyboard.h"
#include "keys/keystroke_synthesizer.h"
#include "protocol/protocol_timer.h"
#include "protocol/record_assembler.h"
#include "protocol/transfer.h"
#include "protocol/transfer_context.h"
#include "serial/com_port.h"
#include "serial/port_connection.h"
#include "serial/received_chunk.h"
#include "settings/settings.h"

namespace orvanta {

struct Platform {
    Clock& clock;
    Keyboard& keyboard;
    ComPort& comPort;
    ReaderThreadHost& readerThread;
    ProtocolTimer& timer;
    MessageBoxes& messageBoxes;
};

struct Program {
    explicit Program(const Platform& services);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Platform platform;
    Settings settings{};
    WorkingCodes working{};
    TransferContext transfer;
    PortConnection port;
    int platformMajorVersion = 0;
    std::uint8_t commandLineMode = 0;
    WindowId timerOwner = 0;

    KeystrokeSynthesizer synthesizer;
    CapsLockGuard capsLock;
    TransferLineHandler lineHandler;
    RecordAssembler assembler;
    ChunkReceiver receiver;

    void armProtocolTimer(std::uint32_t ms) { platform.timer.set(timerOwner, kProtocolTimerId, ms); }
    void stopProtocolTimer() { platform.timer.kill(timerOwner, kProtocolTimerId); }
};

}  // namespace orvanta
