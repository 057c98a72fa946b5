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
#include "protocol/series_state.h"
#include "protocol/status.h"
#include "protocol/transfer_context.h"
#include "settings/settings.h"

namespace orvanta {

constexpr std::uint32_t kAnswerTimeoutMs = 300;
constexpr std::uint32_t kHandOverMs = 1;
constexpr std::uint32_t kAfterAckPauseMs = 100;
constexpr std::uint32_t kCommandPauseMs = 100;
constexpr std::uint32_t kRetryLimit = 5;   // more re-sends than this give up
// While no window can take a record, a one-shot transfer looks for one
// this often, as many times as it would send NAKs, then gives up.
constexpr std::uint32_t kTargetCheckMs = 500;
// A port that has just come back (after a resume, or an adapter plugged
// in) is opened this long after: drivers refuse an open right away.
constexpr std::uint32_t kReopenSettleMs = 2000;
// A series stopped by the question whether the session may end goes on at
// the session's word that it does; without that word, this much later.
constexpr std::uint32_t kSessionEndWaitMs = 60000;

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
//
// With keep-online the transfers form a series that only Stop, Close or
// the end of the session ends: a transfer that fails closes the port,
// reports why, and the next poll opens the port again.
class TransferMachine final : public LineHandler, public ReceiveSink {
public:
    TransferMachine(TransferContext& transfer, const Settings& settings, const WorkingCodes& working,
                    KeystrokeSynthesizer& synthesizer, ChunkReceiver& receiver, const TransferServices& services);

    int HandleLine() override;
    void receive(const std::uint8_t* bytes, std::uint32_t count) override;
    void portLost() override;

    // Opens the port and sends the first "READ\r". Returns 1, or the
    // failing open's value, or PortWriteFailed. The caller closes the port
    // on failure. A keep-online series always starts: a failure only
    // postpones it to the next poll.
    [[nodiscard]] int StartTransfer();
    void OnProtocolTimeout(WindowId window, std::uintptr_t timerId);
    [[nodiscard]] int UnattendedTimeoutStep();
    // What ended the unattended transfer: 1 when it completed, otherwise
    // the status code of its end.
    std::int32_t unattendedResult() const { return unattendedResult_; }
    // Ends the transfer, and the keep-online series with it.
    void ResetTransfer();
    // True while a transfer or a keep-online series runs, port open or not.
    bool busy() const { return series_ || transfer_.running; }

    // What the system tells the UI thread. A keep-online series closes its
    // port before the PC sleeps and after the session ends; it opens it
    // again a settle pause after the resume or after the arrival of its
    // port (0: a port whose number is not known).
    void OnSuspend();
    void OnResume();
    void OnPortArrived(int comPort);
    void OnSessionEnding();
    void OnSessionGoesOn();
    void OnSessionEnd();
    // Stops the protocol timer, then the connection.
    void ClosePort();
    // Pauses, writes the command, pauses, arms the protocol timer: 1, or 0
    // when the write failed.
    [[nodiscard]] int SendCommand(const char* text, std::uint32_t timeoutMs);
    // The READ time-out: the polling period with keep-online, else 300 ms.
    std::uint32_t readTimeoutMs() const;
    // An interactive failure: closes the port, shows the result's message
    // box on window, and forgets the transfer. In a keep-online series it
    // shows nothing and waits for the next poll instead.
    void failTransfer(WindowId window, int result);

    void armProtocolTimer(std::uint32_t ms) { services_.timer.set(timerOwner, kProtocolTimerId, ms); }
    void stopProtocolTimer() { services_.timer.kill(timerOwner, kProtocolTimerId); }

    // The window whose timer drives the transfer: the settings dialog, or
    // the hidden main window in the unattended run.
    WindowId timerOwner = 0;
    // Told where a keep-online series stands; none in the unattended run.
    SeriesObserver* observer = nullptr;

private:
    enum class TargetWait { Ready, Waiting, GaveUp };

    int handleAcknowledgement();
    int handleRecordLine();
    int deliverAndAcknowledge();
    int acknowledgeTypedRecord();
    int handOver();
    bool answerRepeat();
    [[nodiscard]] int sendAndArm(const char* text, std::uint32_t timeoutMs);
    void keepAnswerTimeWhileLineArrives();
    [[nodiscard]] int acknowledge();
    void pauseAndArm(std::uint64_t goesOutUs, std::uint32_t timeoutMs);
    void failTransfer(WindowId window, StatusCode code) { failTransfer(window, failure(code)); }
    void beginTransferAnew();
    void forgetTransfer();
    void restartForNextPoll(WindowId window);
    void pauseForTypingTarget();
    TargetWait checkTypingTarget(WindowId window);
    [[nodiscard]] int openAndAskForRecords(WindowId window);
    void pollWithPortClosed(WindowId window);
    void onReadTimeout(WindowId window);
    void onAnswerTimeout(WindowId window);
    void endTransferOfSeries(WindowId window, int result);
    [[nodiscard]] int endUnattended(StatusCode code);
    [[nodiscard]] int sendOrEndUnattended(const char* command);
    std::uint32_t pollIntervalMs() const;
    void report(SeriesState state, std::int32_t result = 0);

    TransferContext& transfer_;
    const Settings& settings_;
    const WorkingCodes& working_;
    KeystrokeSynthesizer& synthesizer_;
    ChunkReceiver& receiver_;
    TransferServices services_;
    bool series_ = false;   // a keep-online series runs (UI thread only)
    std::int32_t unattendedResult_ = 0;
    SeriesReport reported_;
};

}  // namespace orvanta
