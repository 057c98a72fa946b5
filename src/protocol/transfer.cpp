/*
 * Transfer state machine: the line side, on the receive thread.
 *
 * A record line is classified before the end-marker test: a barcode such
 * as "COVER-12" is data, not the end of the transfer. The collector's own
 * end marker is never a valid record or a repeat, so it still ends the
 * transfer. Every wait is bounded, the one for the first record included.
 */
#include "protocol/transfer.h"

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

TransferMachine::TransferMachine(TransferContext& transfer, const Settings& settings, const WorkingCodes& working,
                                 KeystrokeSynthesizer& synthesizer, ChunkReceiver& receiver,
                                 const TransferServices& services)
    : transfer_(transfer), settings_(settings), working_(working), synthesizer_(synthesizer), receiver_(receiver),
      services_(services)
{
}

void TransferMachine::receive(const std::uint8_t* bytes, std::uint32_t count)
{
    receiver_.receive(bytes, count);
    keepAnswerTimeWhileLineArrives();
}

int TransferMachine::HandleLine()
{
    // A line after the end marker must not cancel the pending completion,
    // nor a line during a pause for a window to type into the look for one.
    if (transfer_.state == TransferState::Complete)
        return 1;
    if (transfer_.pausedForTarget)
        return 0;
    stopProtocolTimer();
    if (transfer_.state == TransferState::AwaitingAck)
        return handleAcknowledgement();
    return handleRecordLine();
}

int TransferMachine::handleAcknowledgement()
{
    TransferContext& t = transfer_;
    if (!lineContains(t, "ACK"))
        return handOver();
    t.state = TransferState::Receiving;
    t.readRetryCount = 0;
    services_.clock.sleepMs(kAfterAckPauseMs);
    armProtocolTimer(kAnswerTimeoutMs);
    return 1;
}

int TransferMachine::handleRecordLine()
{
    TransferContext& t = transfer_;
    switch (ClassifyRecord(t)) {
    case RecordVerdict::Repeat:
        if (answerRepeat())
            return 1;
        break;
    case RecordVerdict::Valid:
        return deliverAndAcknowledge();
    case RecordVerdict::Invalid:
        if (isEndMarker(t))
            t.state = TransferState::Complete;
        break;
    }
    return handOver();
}

// A record is acknowledged once its last key went in. It is not typed on a
// port known to be gone, whose ACK could not go out; one typed just before
// the port went is typed again from the collector's next copy. A record
// that stopped part-way because another window came to the front goes to
// that window whole with the collector's next copy, which the NAK brings.
int TransferMachine::deliverAndAcknowledge()
{
    TransferContext& t = transfer_;
    if (!t.running)
        return 0;   // completed after Stop: not typed at all
    if (services_.link.portLost())
        return handOver();
    if (!DeliverRecord(t, settings_, working_, synthesizer_)) {
        if (!t.running)
            return 0;   // stopped at a key: the next transfer types it whole
        if (synthesizer_.hasTypingTarget())
            return handOver();
        pauseForTypingTarget();
        return 0;
    }
    t.nakRetryCount = 0;
    return acknowledgeTypedRecord();
}

int TransferMachine::handOver()
{
    armProtocolTimer(kHandOverMs);
    return 0;
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
bool TransferMachine::answerRepeat()
{
    const TransferContext& t = transfer_;
    if (t.lineEnd <= t.receivedBeforeAck || t.bytesReceived > t.lineEnd) {
        armProtocolTimer(kAnswerTimeoutMs);
        return true;
    }
    services_.clock.sleepMs(kCommandPauseMs);
    if (services_.link.bytesWaiting() > 0)
        return true;
    return acknowledge() == 1;
}

// A record whose typing has begun is acknowledged even when Stop came
// meanwhile: otherwise the next Start would type it again. The port stays
// open until this thread has ended; no time-out is left armed then.
int TransferMachine::acknowledgeTypedRecord()
{
    services_.clock.sleepMs(kCommandPauseMs);
    if (!acknowledge())
        return handOver();
    if (!transfer_.running) {
        stopProtocolTimer();
        return 0;
    }
    return 1;
}

// No window can take the record: the collector keeps it, and the
// transfer goes quiet instead of answering. A collector whose host stops
// answering repeats its record on its own time-out and then gives the
// transfer up, keeping every record it holds; NAKs would only keep it
// sending the same record for as long as the workstation stays locked.
// Once a window can take keys again, a fresh READ starts a new transfer,
// whether the collector is still waiting or has given up. The time-out
// side does the looking, on the UI thread.
void TransferMachine::pauseForTypingTarget()
{
    beginTransferAnew();
    transfer_.pausedForTarget = true;
    armProtocolTimer(kHandOverMs);
}

// The receive thread has stopped on a dead port; the time-out side closes
// it and goes on as after any failed transfer.
void TransferMachine::portLost()
{
    armProtocolTimer(kHandOverMs);
}

// A long record at a low rate takes longer than the answer time-out to
// arrive (1014 bytes at 9600 bit/s take a second). A NAK sent while it is
// still coming makes the collector send it again after it, and with the
// copies in flight an ACK can be taken for the wrong record. An over-long
// line stops counting as arriving, so it still gets its NAK.
void TransferMachine::keepAnswerTimeWhileLineArrives()
{
    const TransferContext& t = transfer_;
    if (t.state == TransferState::Receiving && t.running && t.lineLength > 0 && t.lineLength <= kMaxLineLength)
        armProtocolTimer(kAnswerTimeoutMs);
}

int TransferMachine::SendCommand(const char* text, std::uint32_t timeoutMs)
{
    services_.clock.sleepMs(kCommandPauseMs);
    return sendAndArm(text, timeoutMs);
}

// The pause after a command runs from the moment it began to go out, so
// that writing it is part of the pause instead of coming on top of it.
int TransferMachine::sendAndArm(const char* text, std::uint32_t timeoutMs)
{
    const std::uint64_t goesOut = services_.clock.nowUs();
    if (!services_.link.writeCommand(text))
        return 0;
    pauseAndArm(goesOut, timeoutMs);
    return 1;
}

// An ACK notes what had reached the program when it went out: the bytes
// received so far (the rest of the chunk among them) and those waiting at
// the port. A repeat among them was sent before the collector had the ACK.
int TransferMachine::acknowledge()
{
    const std::uint64_t goesOut = services_.clock.nowUs();
    if (!services_.link.writeCommand("ACK\r"))
        return 0;
    transfer_.receivedBeforeAck = transfer_.bytesReceived + services_.link.bytesWaiting();
    pauseAndArm(goesOut, kAnswerTimeoutMs);
    return 1;
}

void TransferMachine::pauseAndArm(std::uint64_t goesOutUs, std::uint32_t timeoutMs)
{
    services_.clock.sleepUntilUs(goesOutUs + kCommandPauseMs * kMicrosPerMs);
    armProtocolTimer(timeoutMs);
}

}  // namespace orvanta
