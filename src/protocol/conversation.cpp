/*
 * The conversation: lines on the receive thread, commands and late answers
 * on the UI thread.
 *
 * A record line is classified before the end-marker test: a barcode such
 * as "COVER-12" is data, not the end of the transfer. The collector's own
 * end marker is never a valid record or a repeat, so it still ends the
 * transfer. Every wait is bounded, the one for the first record included.
 */
#include "protocol/conversation.h"

#include <cstring>

namespace orvanta {
namespace {

bool lineContains(const TransferContext& transfer, const char* text)
{
    return std::strstr(reinterpret_cast<const char*>(transfer.lineBuffer), text) != nullptr;
}

// A record line starts with its sequence value; only a line that does not
// can be the end marker, or a damaged record with OVER in its data
// ("COVER-12") would end the transfer as if it were complete.
bool isEndMarker(const TransferContext& transfer)
{
    return transfer.lineLength > 0 && transfer.lineBuffer[0] >= kSequenceModulus && lineContains(transfer, "OVER");
}

}  // namespace

Conversation::Conversation(TransferContext& transfer, RecordDelivery& delivery, CommandLink& link,
                           ProtocolTimer& timer, Clock& clock)
    : transfer_(transfer), delivery_(delivery), link_(link), timer_(timer), clock_(clock)
{
}

LineOutcome Conversation::handleLine()
{
    // A line after the end marker must not cancel the pending completion,
    // nor a line during a pause for a window to type into the look for one.
    if (transfer_.state == TransferState::Complete)
        return LineOutcome::GoOn;
    if (transfer_.pausedForTarget)
        return LineOutcome::DropRest;
    timer_.stop();
    if (transfer_.state == TransferState::AwaitingAck)
        return handleAcknowledgement();
    return handleRecordLine();
}

LineOutcome Conversation::handleAcknowledgement()
{
    TransferContext& t = transfer_;
    if (!lineContains(t, "ACK"))
        return handOver(Deadline::Read);
    t.state = TransferState::Receiving;
    t.readRetryCount = 0;
    clock_.sleepMs(kAfterAckPauseMs);
    timer_.arm(Deadline::Answer, kAnswerTimeoutMs);
    return LineOutcome::GoOn;
}

LineOutcome Conversation::handleRecordLine()
{
    TransferContext& t = transfer_;
    switch (classifyRecord(t)) {
    case RecordVerdict::Repeat:
        if (answerRepeat())
            return LineOutcome::GoOn;
        break;
    case RecordVerdict::Valid: return deliverAndAcknowledge();
    case RecordVerdict::Invalid:
        if (isEndMarker(t)) {
            t.state = TransferState::Complete;
            return handOver(Deadline::Completed);
        }
        break;
    }
    return handOver(Deadline::Answer);
}

// A record is acknowledged once its last key went in. It is not typed on a
// port known to be gone, whose ACK could not go out; one typed just before
// the port went is typed again from the collector's next copy. A record
// that stopped part-way because another window came to the front goes to
// that window whole with the collector's next copy, which the NAK brings.
LineOutcome Conversation::deliverAndAcknowledge()
{
    TransferContext& t = transfer_;
    if (!t.running)
        return LineOutcome::DropRest;   // completed after Stop: not typed at all
    if (link_.portLost())
        return handOver(Deadline::PortLost);
    switch (delivery_.deliver(t)) {
    case Delivery::Delivered: break;
    case Delivery::NotWhole:
        if (!t.running)
            return LineOutcome::DropRest;   // stopped at a key: the next transfer types it whole
        return handOver(Deadline::Answer);
    case Delivery::NoWindow: pauseForTypingTarget(); return LineOutcome::DropRest;
    }
    t.nakRetryCount = 0;
    const std::uint64_t typedAt = clock_.nowUs();
    if (journal)
        journal->recordDelivered(t);
    return acknowledgeTypedRecord(typedAt);
}

// The UI thread decides at once.
LineOutcome Conversation::handOver(Deadline deadline)
{
    timer_.arm(deadline, kHandOverMs);
    return LineOutcome::DropRest;
}

// The collector sends a record again when our ACK was lost, and also when
// its own answer time-out ran out while the record was being typed (a long
// record takes long to type). A copy that had reached the port when the
// ACK went out is of the second kind: the collector takes that ACK for the
// copy and goes on to its next record, and it would take a second ACK for
// that next record, which is then never typed. Such a copy gets no answer
// of its own; nor does one with something behind it, in the chunk or at
// the port after the pause before an answer, which shows that the
// collector has gone on. A copy that comes alone after the ACK means the
// collector missed the ACK, and gets it again. False when the answer could
// not be written.
bool Conversation::answerRepeat()
{
    const TransferContext& t = transfer_;
    if (t.lineEnd <= t.receivedBeforeAck || t.bytesReceived > t.lineEnd) {
        timer_.arm(Deadline::Answer, kAnswerTimeoutMs);
        return true;
    }
    clock_.sleepMs(kCommandPauseMs);
    if (link_.bytesWaiting() > 0)
        return true;
    return acknowledge();
}

// A record whose typing has begun is acknowledged even when Stop came
// meanwhile: otherwise the next Start would type it again. The port stays
// open until this thread has ended; no time-out is left armed then. The
// journal's row is written within the pause before the ACK, not on top.
LineOutcome Conversation::acknowledgeTypedRecord(std::uint64_t typedAtUs)
{
    clock_.sleepUntilUs(typedAtUs + kCommandPauseMs * kMicrosPerMs);
    if (!acknowledge())
        return handOver(Deadline::Answer);
    ++transfer_.recordsAcknowledged;
    if (!transfer_.running) {
        timer_.stop();
        return LineOutcome::DropRest;
    }
    return LineOutcome::GoOn;
}

// No window can take the record: the collector keeps it, and the
// transfer goes quiet instead of answering. A collector whose host stops
// answering repeats its record on its own time-out and then gives the
// transfer up, keeping every record it holds; NAKs would only keep it
// sending the same record for as long as the workstation stays locked.
// Once a window can take keys again, a fresh READ starts a new transfer,
// whether the collector is still waiting or has given up. The UI thread
// does the looking.
void Conversation::pauseForTypingTarget()
{
    beginAnew();
    transfer_.pausedForTarget = true;
    timer_.arm(Deadline::TargetLook, kHandOverMs);
}

// A long record at a low rate takes longer than the answer time-out to
// arrive (1014 bytes at 9600 bit/s take a second). A NAK sent while it is
// still coming makes the collector send it again after it, and with the
// copies in flight an ACK can be taken for the wrong record. An over-long
// line stops counting as arriving, so it still gets its NAK.
void Conversation::chunkEnded()
{
    const TransferContext& t = transfer_;
    if (t.state == TransferState::Receiving && t.running && t.lineLength > 0 && t.lineLength <= kMaxLineLength)
        timer_.arm(Deadline::Answer, kAnswerTimeoutMs);
}

// A port whose receive thread has already ended gets no command: that
// thread's hand-over may reach the timer after the command's time-out was
// armed and be replaced by it.
StatusCode Conversation::open()
{
    delivery_.allowTyping();
    const StatusCode opened = link_.openPort();
    if (opened != StatusCode::Ok)
        return opened;
    transfer_.running = true;
    return link_.portLost() ? StatusCode::PortWriteFailed : StatusCode::Ok;
}

bool Conversation::sendCommand(const char* text, Deadline deadline, std::uint32_t timeoutMs)
{
    clock_.sleepMs(kCommandPauseMs);
    const std::uint64_t goesOut = clock_.nowUs();
    if (!link_.writeCommand(text))
        return false;
    pauseAndArm(goesOut, deadline, timeoutMs);
    return true;
}

StatusCode Conversation::askAgain(std::uint32_t timeoutMs, bool counted)
{
    if (!sendCommand("READ\r", Deadline::Read, timeoutMs))
        return StatusCode::PortWriteFailed;
    transfer_.readRetryCount = counted ? transfer_.readRetryCount + 1 : 0;
    return StatusCode::Ok;
}

StatusCode Conversation::answerLate()
{
    TransferContext& t = transfer_;
    if (t.nakRetryCount > kRetryLimit)
        return StatusCode::ReceiveTimeout;
    if (!sendCommand("NAK\r", Deadline::Answer, kAnswerTimeoutMs))
        return StatusCode::PortWriteFailed;
    ++t.nakRetryCount;
    return StatusCode::Ok;
}

// An ACK notes what had reached the program when it went out: the bytes
// received so far (the rest of the chunk among them) and those waiting at
// the port. A repeat among them was sent before the collector had the ACK.
bool Conversation::acknowledge()
{
    const std::uint64_t goesOut = clock_.nowUs();
    if (!link_.writeCommand("ACK\r"))
        return false;
    transfer_.receivedBeforeAck = transfer_.bytesReceived + link_.bytesWaiting();
    pauseAndArm(goesOut, Deadline::Answer, kAnswerTimeoutMs);
    return true;
}

// The pause after a command runs from the moment it began to go out, so
// that writing it is part of the pause instead of coming on top of it.
void Conversation::pauseAndArm(std::uint64_t goesOutUs, Deadline deadline, std::uint32_t timeoutMs)
{
    clock_.sleepUntilUs(goesOutUs + kCommandPauseMs * kMicrosPerMs);
    timer_.arm(deadline, timeoutMs);
}

void Conversation::beginAnew()
{
    TransferContext& t = transfer_;
    forgetLastRecord(t);
    t.state = TransferState::AwaitingAck;
    t.expectedSequence = 0;
    t.nakRetryCount = 0;
    t.readRetryCount = 0;
    t.pausedForTarget = false;
    t.targetChecks = 0;
    t.recordsAcknowledged = 0;
}

void Conversation::forget()
{
    beginAnew();
    transfer_.running = false;
    delivery_.forgetTyping();
}

// The record being typed stops at its next key: closing waits for the
// receive thread, which would otherwise go on typing a long record for
// minutes. What that thread asked of the timer before it ended is stale.
void Conversation::close()
{
    timer_.stop();
    delivery_.stopTyping();
    link_.closePort();
    timer_.discardPending();
}

}  // namespace orvanta
