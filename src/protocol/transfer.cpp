/*
 * Transfer state machine.
 *
 * A record line is classified before the end-marker test: a barcode such
 * as "COVER-12" is data, not the end of the transfer. The collector's own
 * end marker is never a valid record or a repeat, so it still ends the
 * transfer. Every wait is bounded, the one for the first record included.
 */
#include "protocol/transfer.h"

#include <cstring>

#include "app/program.h"

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

// Interactive failure: close first, so the box is shown with no transfer
// running, then forget the transfer.
void failTransfer(Program& program, WindowId window, StatusCode code)
{
    ClosePort(program);
    ShowStatus(program.platform.messageBoxes, window, code);
    ResetTransfer(program);
}

void restartForNextPoll(Program& program, WindowId window)
{
    TransferContext& t = program.transfer;
    ForgetLastRecord(t);
    t.state = TransferState::AwaitingAck;
    t.nakRetryCount = 0;
    t.readRetryCount = 0;
    t.expectedSequence = 0;
    const auto period = static_cast<std::uint32_t>(program.settings.pollingSeconds) * 1000u;
    program.platform.timer.set(window, kProtocolTimerId, period);
}

// A keep-online poll whose time comes while no window could take a record
// (a locked workstation, the desktop in front) sends no READ: the
// collector keeps its records for the next poll. True when it was skipped.
bool skipPollWithoutTarget(Program& program, WindowId window)
{
    if (program.settings.keepOnline <= 0 || program.synthesizer.hasTypingTarget())
        return false;
    program.platform.timer.set(window, kProtocolTimerId, readTimeoutMs(program));
    return true;
}

}  // namespace

int TransferLineHandler::HandleLine()
{
    // A line after the end marker must not cancel the pending completion.
    if (program_.transfer.state == TransferState::Complete)
        return 1;
    program_.stopProtocolTimer();
    if (program_.transfer.state == TransferState::AwaitingAck)
        return HandleAcknowledgement();
    return HandleRecordLine();
}

int TransferLineHandler::HandleAcknowledgement()
{
    TransferContext& t = program_.transfer;
    if (!lineContains(t, "ACK")) {
        program_.armProtocolTimer(kHandOverMs);
        return 0;
    }
    t.state = TransferState::Receiving;
    t.readRetryCount = 0;
    program_.platform.clock.sleepMs(kAfterAckPauseMs);
    program_.armProtocolTimer(kAnswerTimeoutMs);
    return 1;
}

int TransferLineHandler::HandleRecordLine()
{
    TransferContext& t = program_.transfer;
    switch (ClassifyRecord(t)) {
    case RecordVerdict::Repeat:
        if (AnswerRepeat())
            return 1;
        break;
    case RecordVerdict::Valid:
        if (t.running != 1)
            return 0;   // completed after Stop: not typed at all
        if (!DeliverRecord(t, program_.settings, program_.working, program_.synthesizer))
            break;   // not typed: the collector keeps it and sends it again after the NAK
        t.nakRetryCount = 0;
        return AcknowledgeTypedRecord();
    case RecordVerdict::Invalid:
        if (isEndMarker(t))
            t.state = TransferState::Complete;
        break;
    }
    program_.armProtocolTimer(kHandOverMs);
    return 0;
}

// The collector sends a record again when our ACK was lost, and also when
// its own answer time-out ran out while the ACK was on its way (a long
// record takes long to type). In the second case it takes that ACK for the
// record and sends the next one, and it would take a second ACK for that
// next record, which is then typed only if nothing goes wrong with it. So a
// repeat is answered only when nothing follows it, in the chunk or at the
// port after the pause before the answer: what follows is handled instead.
// A collector that did miss the ACK sends nothing more and gets it. False
// when the answer could not be written.
bool TransferLineHandler::AnswerRepeat()
{
    if (program_.transfer.bytesAfterLine > 0)
        return true;
    program_.platform.clock.sleepMs(kCommandPauseMs);
    if (program_.platform.comPort.clearErrors() > 0)
        return true;
    return WriteCommand(program_, "ACK\r", kAnswerTimeoutMs) == 1;
}

// A record whose typing has begun is acknowledged even when Stop came
// meanwhile: otherwise the next Start would type it again. The port stays
// open until this thread has ended; no time-out is left armed then.
int TransferLineHandler::AcknowledgeTypedRecord()
{
    if (!SendCommand(program_, "ACK\r", kAnswerTimeoutMs)) {
        program_.armProtocolTimer(kHandOverMs);
        return 0;
    }
    if (program_.transfer.running != 1) {
        program_.stopProtocolTimer();
        return 0;
    }
    return 1;
}

// A long record at a low rate takes longer than the answer time-out to
// arrive (1014 bytes at 9600 bit/s take a second). A NAK sent while it is
// still coming makes the collector send it again after it, and with the
// copies in flight an ACK can be taken for the wrong record. An over-long
// line stops counting as arriving, so it still gets its NAK.
void KeepAnswerTimeWhileLineArrives(Program& program)
{
    const TransferContext& t = program.transfer;
    if (t.state == TransferState::Receiving && t.running == 1 && t.lineLength > 0
        && t.lineLength <= kMaxLineLength)
        program.armProtocolTimer(kAnswerTimeoutMs);
}

std::uint32_t readTimeoutMs(const Program& program)
{
    if (program.settings.keepOnline > 0)
        return static_cast<std::uint32_t>(program.settings.pollingSeconds) * 1000u;
    return kAnswerTimeoutMs;
}

int StartTransfer(Program& program)
{
    const int opened = OpenPort(program);
    if (opened <= 0)
        return opened;
    program.transfer.running = 1;
    if (skipPollWithoutTarget(program, program.timerOwner))
        return 1;
    if (!SendCommand(program, "READ\r", readTimeoutMs(program)))
        return PortWriteFailed;
    return 1;
}

void OnProtocolTimeout(Program& program, WindowId window, std::uintptr_t timerId)
{
    program.platform.timer.kill(window, timerId);
    TransferContext& t = program.transfer;
    if (t.running == 0)
        return;
    switch (t.state) {
    case TransferState::AwaitingAck:
        if (t.readRetryCount > kRetryLimit)
            return failTransfer(program, window, ReadTimeout);
        if (skipPollWithoutTarget(program, window))
            return;
        if (!SendCommand(program, "READ\r", readTimeoutMs(program)))
            return failTransfer(program, window, PortWriteFailed);
        t.readRetryCount = program.settings.keepOnline > 0 ? 0 : t.readRetryCount + 1;
        return;
    case TransferState::Receiving:
        if (t.nakRetryCount > kRetryLimit)
            return failTransfer(program, window, ReceiveTimeout);
        if (!SendCommand(program, "NAK\r", kAnswerTimeoutMs))
            return failTransfer(program, window, PortWriteFailed);
        ++t.nakRetryCount;
        return;
    case TransferState::Complete:
        if (program.settings.keepOnline > 0)
            return restartForNextPoll(program, window);
        ClosePort(program);
        ResetTransfer(program);
        return;
    }
}

int UnattendedTimeoutStep(Program& program)
{
    TransferContext& t = program.transfer;
    switch (t.state) {
    case TransferState::AwaitingAck:
        if (t.readRetryCount++ > kRetryLimit)
            return 0;
        return SendCommand(program, "READ\r", kAnswerTimeoutMs);
    case TransferState::Receiving:
        if (t.nakRetryCount++ > kRetryLimit)
            return 0;
        return SendCommand(program, "NAK\r", kAnswerTimeoutMs);
    case TransferState::Complete:
        return 0;
    }
    return 1;
}

void ResetTransfer(Program& program)
{
    TransferContext& t = program.transfer;
    ForgetLastRecord(t);
    t.state = TransferState::AwaitingAck;
    program.port.readerThread = false;
    program.port.portHandle = PortHandle::None;
    t.keyboardLayout = 0;
    t.running = 0;
    t.expectedSequence = 0;
    t.nakRetryCount = 0;
    t.readRetryCount = 0;
    t.capsLockMode = NotProbed;
}

}  // namespace orvanta
