/*
 * The program's parts, wired together: the settings, the transfer record,
 * typing, the transfer state machine and the port connection. Each part
 * owns what it works on and reaches the others only through what it was
 * given here, so each test can build a fresh program on fake platform
 * services. The Windows entry point builds exactly one.
 */
#pragma once

#include <cstdint>

#include "keys/caps_lock_guard.h"
#include "keys/keyboard.h"
#include "keys/keystroke_synthesizer.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "platform/protocol_timer.h"
#include "protocol/received_chunk.h"
#include "protocol/record_assembler.h"
#include "protocol/transfer.h"
#include "protocol/transfer_context.h"
#include "serial/com_port.h"
#include "serial/port_connection.h"
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
    int platformMajorVersion = 0;
    bool commandLineMode = false;

    KeystrokeSynthesizer synthesizer;
    CapsLockGuard capsLock;
    RecordAssembler assembler;
    ChunkReceiver receiver;
    PortConnection port;
    TransferMachine machine;
};

}  // namespace orvanta
