/*
 * The conversation with the collector: "READ\r", its acknowledgement,
 * record lines answered with "ACK\r" or (after a time-out) "NAK\r", and
 * the end marker. Lines are handled on the receive thread; time-outs on
 * the UI thread. The protocol timer hands the turn from one to the other.
 */
#pragma once

#include <cstdint>

#include "keys/keystroke_synthesizer.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "platform/protocol_timer.h"
#include "protocol/command_link.h"
#include "protocol/receive_sink.h"
#include "protocol/received_chunk.h"
#include "protocol/record_assembler.h"
#include "protocol/status.h"
#include "protocol/transfer_context.h"
#include "settings/settings.h"

namespace orvanta {

constexpr std::uint32_t kAnswerTimeoutMs = 300;
constexpr std::uint32_t kHandOverMs = 1;
constexpr std::uint32_t kAfterAckPauseMs = 100;
constexpr std::uint32_t kCommandPauseMs = 100;
constexpr std::uint32_t kRetryLimit = 5;   // more re-sends than this give up

// The services a transfer talks through.
struct TransferServices {
    CommandLink& link;
    ProtocolTimer& timer;
    Clock& clock;
    MessageBoxes& messageBoxes;
};

// The transfer under way: it handles the lines the record assembler
// completes and every expiry of the protocol timer, and it is where the
// receive thread hands its chunks.
class TransferMachine final : public LineHandler, public ReceiveSink {
public:
    TransferMachine(TransferContext& transfer, const Settings& settings, const WorkingCodes& working,
                    KeystrokeSynthesizer& synthesizer, ChunkReceiver& receiver, const TransferServices& services);

    int HandleLine() override;
    void receive(const std::uint8_t* bytes, std::uint32_t count) override;

    // Opens the port and sends the first "READ\r". Returns 1, or the
    // failing open's value, or PortWriteFailed. The caller closes the port
    // on failure.
    [[nodiscard]] int StartTransfer();
    void OnProtocolTimeout(WindowId window, std::uintptr_t timerId);
    [[nodiscard]] int UnattendedTimeoutStep();
    void ResetTransfer();
    // Stops the protocol timer, then the connection.
    void ClosePort();
    // Pauses, writes the command, pauses, arms the protocol timer: 1, or 0
    // when the write failed.
    [[nodiscard]] int SendCommand(const char* text, std::uint32_t timeoutMs);
    // The READ time-out: the polling period with keep-online, else 300 ms.
    std::uint32_t readTimeoutMs() const;
    // An interactive failure: closes the port, shows the result's message
    // box on window, and forgets the transfer.
    void failTransfer(WindowId window, int result);

    void armProtocolTimer(std::uint32_t ms) { services_.timer.set(timerOwner, kProtocolTimerId, ms); }
    void stopProtocolTimer() { services_.timer.kill(timerOwner, kProtocolTimerId); }

    // The window whose timer drives the transfer: the settings dialog, or
    // the hidden main window in the unattended run.
    WindowId timerOwner = 0;

private:
    int handleAcknowledgement();
    int handleRecordLine();
    int acknowledgeTypedRecord();
    bool answerRepeat();
    [[nodiscard]] int sendAndArm(const char* text, std::uint32_t timeoutMs);
    void keepAnswerTimeWhileLineArrives();
    void failTransfer(WindowId window, StatusCode code) { failTransfer(window, failure(code)); }
    void beginTransferAnew();
    void restartForNextPoll(WindowId window);
    bool skipPollWithoutTarget(WindowId window);

    TransferContext& transfer_;
    const Settings& settings_;
    const WorkingCodes& working_;
    KeystrokeSynthesizer& synthesizer_;
    ChunkReceiver& receiver_;
    TransferServices services_;
};

}  // namespace orvanta
