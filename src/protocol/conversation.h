/*
 * The conversation with the collector, one transfer of it: "READ\r" and
 * its acknowledgement, record lines answered with "ACK\r" or (after a
 * time-out) "NAK\r", repeats, and the end marker. Lines are handled on the
 * receive thread, which types each valid record through the delivery and
 * answers it; what is left to decide later (a NAK, the end, a lost port)
 * it hands to the UI thread as a deadline of the protocol timer. It knows
 * no window, message box, exit code or series.
 */
#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "protocol/protocol_timer.h"
#include "protocol/command_link.h"
#include "protocol/record_assembler.h"
#include "protocol/record_delivery.h"
#include "protocol/record_journal.h"
#include "protocol/status.h"
#include "protocol/transfer_context.h"

namespace orvanta {

constexpr std::uint32_t kAnswerTimeoutMs = 300;
constexpr std::uint32_t kAfterAckPauseMs = 100;
constexpr std::uint32_t kCommandPauseMs = 100;
constexpr std::uint32_t kRetryLimit = 5;   // more re-sends than this give up

class Conversation final : public LineHandler {
public:
    Conversation(TransferContext& transfer, RecordDelivery& delivery, CommandLink& link, ProtocolTimer& timer,
                 Clock& clock);

    // The receive thread's side: each complete line, the end of each chunk,
    // and the end of the thread on a dead port.
    [[nodiscard]] LineOutcome handleLine() override;
    void chunkEnded() override;
    void portLost() override { timer_.arm(Deadline::PortLost, kHandOverMs); }

    // The UI thread's side. Opening lets the receive thread run; a port
    // whose receive thread has already ended counts as unwritable.
    [[nodiscard]] StatusCode open();
    // Pauses, writes the command, pauses, arms the deadline: false when the
    // write failed.
    [[nodiscard]] bool sendCommand(const char* text, Deadline deadline, std::uint32_t timeoutMs);
    // A READ that got no answer is sent again, as often as the limit lets
    // a counted one be.
    bool readsUsedUp() const { return transfer_.readRetryCount > kRetryLimit; }
    [[nodiscard]] StatusCode askAgain(std::uint32_t timeoutMs, bool counted);
    // A record line that got no answer in time: NAK, up to the limit.
    [[nodiscard]] StatusCode answerLate();
    // Forgets the transfer's progress; forget() lets the receive thread end.
    void beginAnew();
    void forget();
    // Stops the timer, then the connection; the record being typed stops
    // at its next key.
    void close();
    bool portLostNow() { return link_.portLost(); }

    // Where each record that went in is written before its ACK; none when
    // no journal is kept.
    RecordJournal* journal = nullptr;

private:
    LineOutcome handleAcknowledgement();
    LineOutcome handleRecordLine();
    LineOutcome deliverAndAcknowledge();
    LineOutcome acknowledgeTypedRecord(std::uint64_t typedAtUs);
    LineOutcome handOver(Deadline deadline);
    bool answerRepeat();
    void pauseForTypingTarget();
    [[nodiscard]] bool acknowledge();
    void pauseAndArm(std::uint64_t goesOutUs, Deadline deadline, std::uint32_t timeoutMs);

    TransferContext& transfer_;
    RecordDelivery& delivery_;
    CommandLink& link_;
    ProtocolTimer& timer_;
    Clock& clock_;
};

}  // namespace orvanta
