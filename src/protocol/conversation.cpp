/*
 * The engine's conversation with the collector: lines, commands with the
 * pauses around them, typing and the ACK.
 *
 * The port's bytes are taken a line at a time, and only while the engine
 * listens. While a record is typed, or in the pauses before and after its
 * ACK, they are held, as the port's own queue held them when one thread
 * read, typed and answered in turn: the protocol is one line, one answer.
 * The answer to a READ or a NAK is heard in the pause after it, and a line
 * that comes in the pause before one makes that command needless.
 *
 * A record line is classified before the end-marker test: a barcode such
 * as "COVER-12" is data, not the end of the transfer. The collector's own
 * end marker is never a valid record or a repeat, so it still ends the
 * transfer. Every wait is bounded, the one for the first record included.
 */
#include <algorithm>
#include <cstring>

#include "protocol/engine.h"

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

// Beyond what a port's queue would hold, bytes are lost as they would be
// there; the line they belonged to then fails its checks and comes again.
void Engine::holdInput(std::span<const std::uint8_t> bytes)
{
    const std::uint64_t position = transfer_.bytesReceived;
    transfer_.bytesReceived += bytes.size();
    const std::size_t taken = std::min(bytes.size(), kHeldInputBytes - held_.size());
    if (taken == 0 || heldChunks_.size() >= kMostHeldChunks)
        return;
    held_.insert(held_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(taken));
    heldChunks_.push_back({static_cast<std::uint32_t>(taken), position});
}

bool Engine::takeNextChunk()
{
    if (heldChunks_.empty())
        return false;
    const HeldChunk next = heldChunks_.front();
    heldChunks_.erase(heldChunks_.begin());
    chunk_.assign(held_.begin(), held_.begin() + next.length);
    held_.erase(held_.begin(), held_.begin() + next.length);
    assembler_.beginChunk(chunk_.data(), next.length, next.position);
    chunkOpen_ = true;
    return true;
}

// Whether the engine takes the port's lines now: while it listens, and in
// the pauses around a READ or a NAK, whose answer may come in them; not
// while a record is typed or answered.
bool Engine::hearsLines() const
{
    switch (step_) {
    case Step::Listening:
    case Step::PauseBefore: return true;
    case Step::PauseAfter: return command_ != Command::Ack;
    default: return false;
    }
}

// A line that starts a pause or a record leaves the rest of its chunk, and
// the chunks behind it, for when the engine listens again.
void Engine::handleHeldInput()
{
    while (port_ == Port::Open && hearsLines()) {
        if (!chunkOpen_ && !takeNextChunk())
            return;
        if (!assembler_.nextLine()) {
            chunkOpen_ = false;
            chunkEnded();
        } else if (handleLine() == LineOutcome::DropRest && chunkOpen_) {
            assembler_.dropRest();
            chunkOpen_ = false;
        }
    }
}

void Engine::dropHeldInput()
{
    held_.clear();
    heldChunks_.clear();
}

// A line heard in the pause before a READ or a NAK makes that command
// needless, unless the line asks for the same command again: then it goes
// out when it was due, so that a stream of noise cannot put it off for
// ever.
LineOutcome Engine::handleLine()
{
    if (transfer_.waitingForRecordWindow)
        return LineOutcome::DropRest;
    carriedDueUs_ = step_ == Step::PauseBefore ? dueUs_ : 0;
    step_ = Step::Listening;
    due_ = Due::Nothing;
    const LineOutcome outcome =
        transfer_.state == TransferState::AwaitingAck ? handleAcknowledgement() : handleRecordLine();
    carriedDueUs_ = 0;
    return outcome;
}

LineOutcome Engine::handleAcknowledgement()
{
    TransferContext& t = transfer_;
    if (!lineContains(t, "ACK")) {
        onReadDue(false);
        return LineOutcome::DropRest;
    }
    t.state = TransferState::Receiving;
    t.readRetryCount = 0;
    collectorAnswered();
    step_ = Step::AfterReadAck;
    dueIn(Due::Step, kAfterReadAckPauseMs);
    return LineOutcome::GoOn;
}

LineOutcome Engine::handleRecordLine()
{
    switch (classifyRecord(transfer_)) {
    case RecordVerdict::Repeat: return answerRepeat();
    case RecordVerdict::Valid: deliver(); return LineOutcome::GoOn;
    case RecordVerdict::Invalid: break;
    }
    if (isEndMarker(transfer_))
        completeTransfer();
    else
        answerLate();
    return LineOutcome::DropRest;
}

// The collector sends a record again when our ACK was lost, and also when
// its own answer time-out ran out while the record was being typed (a long
// record takes long to type). A copy that had reached the port when the
// ACK went out is of the second kind: the collector takes that ACK for the
// copy and goes on to its next record, and it would take a second ACK for
// that next record, which is then never typed. Such a copy gets no answer
// of its own; nor does one with something behind it, now or after the
// pause before an answer, which shows that the collector has gone on. A
// copy that comes alone after the ACK means the collector missed the ACK,
// and gets it again.
LineOutcome Engine::answerRepeat()
{
    const TransferContext& t = transfer_;
    if (t.lineEnd <= t.receivedBeforeAck || t.bytesReceived > t.lineEnd) {
        dueIn(Due::Answer, kAnswerTimeoutMs);
        return LineOutcome::GoOn;
    }
    step_ = Step::RepeatPause;
    dueIn(Due::Step, kCommandPauseMs);
    return LineOutcome::GoOn;
}

// The record is remembered as it goes to be typed; one not typed whole is
// forgotten again, so that the collector's next copy of it is typed, not
// taken for a repeat.
void Engine::deliver()
{
    TransferContext& t = transfer_;
    std::memset(t.lastRecord, 0, sizeof t.lastRecord);
    std::memcpy(t.lastRecord, t.lineBuffer, static_cast<std::size_t>(t.lineLength));
    t.lastRecordLength = t.lineLength;
    step_ = Step::WaitingToType;
    typeNext();
}

// A record counts as typed once its last key went in, whatever the
// application does next. It is acknowledged once its journal row is on
// disk, within the pause that comes before the ACK anyway. A record that
// stopped part-way because another window came to the front goes whole to
// that window with the collector's next copy, which the NAK brings.
void Engine::onRecordTyped(const events::RecordTyped& e)
{
    TransferContext& t = transfer_;
    if (e.outcome != TypingOutcome::Typed) {
        forgetLastRecord(t);
        chunkOpen_ = false;   // the rest of the chunk is dropped
        if (e.outcome == TypingOutcome::NotWhole)
            answerLate();
        else
            waitForRecordWindow();
        return;
    }
    t.expectedSequence = static_cast<std::uint8_t>((t.expectedSequence + 1) % kSequenceModulus);
    t.nakRetryCount = 0;
    ackTicket_ = e.ticket;
    rowPending_ = true;
    ackPauseOver_ = false;
    emit(actions::WriteJournalRow{e.ticket, RowKind::Typed, {t.lineBuffer, static_cast<std::size_t>(t.lineLength)},
                                  e.window, 0, t.recordsAcknowledged == 0});
    step_ = Step::BeforeAck;
    dueAt(Due::Step, e.typedAtUs + usOf(kCommandPauseMs));
}

void Engine::acknowledgeWhenReady()
{
    if (step_ != Step::BeforeAck || !ackPauseOver_)
        return;
    if (rowPending_ && now_ < ackGiveUpUs_)
        return dueAt(Due::Step, ackGiveUpUs_);
    ackForRecord_ = true;
    writeCommand(Command::Ack);
}

// No window can take the record: the collector keeps it, and the
// transfer goes quiet instead of answering. A collector whose host stops
// answering repeats its record on its own time-out and then gives the
// transfer up, keeping every record it holds; NAKs would only keep it
// sending the same record for as long as the workstation stays locked.
// Once a window can take keys again, a fresh READ starts a new transfer,
// whether the collector is still waiting or has given up.
void Engine::waitForRecordWindow()
{
    beginAnew();
    transfer_.waitingForRecordWindow = true;
    step_ = Step::Listening;
    onReadDue(false);
}

void Engine::answerLate()
{
    if (transfer_.nakRetryCount > kRetryLimit)
        return endTransfer(StatusCode::ReceiveTimeout);
    sendCommand(Command::Nak);
}

// READ and NAK: a pause, then the command.
void Engine::sendCommand(Command command)
{
    const bool carried = carriedDueUs_ != 0 && command_ == command;
    command_ = command;
    step_ = Step::PauseBefore;
    if (carried)
        dueAt(Due::Step, carriedDueUs_);
    else
        dueIn(Due::Step, kCommandPauseMs);
}

void Engine::writeCommand(Command command)
{
    command_ = command;
    step_ = Step::Writing;
    due_ = Due::Nothing;
    waitingSinceUs_ = now_;
    emit(actions::WriteCommand{connection_, command});
}

// What reached the port before a READ or a NAK is stale, as the port's
// purge made it. An ACK notes what had reached the port when it went out:
// a repeat among that was sent before the collector had the ACK. The
// pause after a command runs from the moment it began to go out.
void Engine::onCommandWritten(const events::CommandWritten& e)
{
    TransferContext& t = transfer_;
    if (!e.written)
        return command_ == Command::Ack ? answerLate() : endTransfer(StatusCode::PortWriteFailed);
    switch (command_) {
    case Command::Read:
        dropHeldInput();
        t.readRetryCount = readCounted_ ? t.readRetryCount + 1 : 0;
        if (!readOutstanding_ && unansweredReads_ == 0)
            unansweredSinceUs_ = e.wentOutUs;
        readOutstanding_ = true;
        report(collectingState());
        break;
    case Command::Nak:
        dropHeldInput();
        ++t.nakRetryCount;
        break;
    case Command::Ack:
        t.receivedBeforeAck = e.receivedBefore;
        if (ackForRecord_)
            ++t.recordsAcknowledged;
        break;
    }
    step_ = Step::PauseAfter;
    dueAt(Due::Step, e.wentOutUs + usOf(kCommandPauseMs));
}

void Engine::onStepDue()
{
    switch (step_) {
    case Step::PauseBefore: return writeCommand(command_);
    case Step::PauseAfter: return listen(command_ == Command::Read ? readTimeoutMs() : kAnswerTimeoutMs);
    case Step::AfterReadAck: return listen(kAnswerTimeoutMs);
    case Step::RepeatPause:
        if (transfer_.bytesReceived > transfer_.lineEnd)
            return listen(kAnswerTimeoutMs);
        ackForRecord_ = false;
        return writeCommand(Command::Ack);
    case Step::BeforeAck:
        if (!ackPauseOver_) {
            ackPauseOver_ = true;
            ackGiveUpUs_ = now_ + usOf(kJournalWaitMs);
        }
        return acknowledgeWhenReady();
    default: return;
    }
}

// The time-out of what was sent runs from the end of its pause; whatever
// came meanwhile is handled now.
void Engine::listen(std::uint32_t timeoutMs)
{
    step_ = Step::Listening;
    dueIn(transfer_.state == TransferState::AwaitingAck ? Due::Read : Due::Answer, timeoutMs);
    handleHeldInput();
}

// A long record at a low rate takes longer than the answer time-out to
// arrive (1014 bytes at 9600 bit/s take a second). A NAK sent while it is
// still coming makes the collector send it again after it, and with the
// copies in flight an ACK can be taken for the wrong record. An over-long
// line stops counting as arriving, so it still gets its NAK.
void Engine::chunkEnded()
{
    const TransferContext& t = transfer_;
    if (t.state != TransferState::Receiving || t.lineLength <= 0 || t.lineLength > kMaxLineLength)
        return;
    step_ = Step::Listening;
    dueIn(Due::Answer, kAnswerTimeoutMs);
}

void Engine::beginAnew()
{
    TransferContext& t = transfer_;
    forgetLastRecord(t);
    t.state = TransferState::AwaitingAck;
    t.expectedSequence = 0;
    t.nakRetryCount = 0;
    t.readRetryCount = 0;
    t.waitingForRecordWindow = false;
    t.recordWindowLooks = 0;
    t.recordsAcknowledged = 0;
    readOutstanding_ = false;
}

}  // namespace orvanta
