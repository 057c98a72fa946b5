/*
 * The program's parts, wired together: the settings, the transfer record,
 * typing, the conversation with the series that runs it, and the port
 * connection. Each part owns what it works on and reaches the others only
 * through what it was given here, so each test can build a fresh program
 * on fake platform services. The Windows entry point builds exactly one.
 */
#pragma once

#include <cstdint>

#include "keys/caps_lock_guard.h"
#include "keys/keyboard.h"
#include "keys/keystroke_synthesizer.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "protocol/conversation.h"
#include "protocol/protocol_timer.h"
#include "protocol/received_chunk.h"
#include "protocol/record_assembler.h"
#include "protocol/key_delivery.h"
#include "protocol/series.h"
#include "protocol/transfer_context.h"
#include "protocol/watched_timer.h"
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

// What the end of a transfer means interactively: a failure is shown in a
// message box owned by the settings dialog (when there is one).
struct FailureBoxes final : TransferEnds {
    explicit FailureBoxes(MessageBoxes& shownOn) : boxes(shownOn) {}
    void transferEnded(StatusCode result) override;

    MessageBoxes& boxes;
    WindowId owner = 0;
};

// What it means unattended: the exit code. A run that no end reached (its
// window was closed, the session ended) could not connect.
struct UnattendedEnd final : TransferEnds {
    void transferEnded(StatusCode ended) override { result = ended; }
    StatusCode result = StatusCode::ConnectionFailed;
};

struct Program {
    explicit Program(const Platform& services);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Platform platform;
    Settings settings{};
    WorkingCodes working{};
    TransferContext transfer;
    TypingState typing;
    WatchedTimer timer;
    int platformMajorVersion = 0;
    bool commandLineMode = false;

    KeystrokeSynthesizer synthesizer;
    CapsLockGuard capsLock;
    KeyDelivery delivery;
    RecordAssembler assembler;
    PortConnection port;
    Conversation conversation;
    ChunkReceiver receiver;
    Series series;
    FailureBoxes failureBoxes;
};

}  // namespace orvanta
