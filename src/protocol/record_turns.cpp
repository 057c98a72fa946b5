/*
 * The typing worker's turns and the lingering ACK. The worker gets one
 * record at a time, a transfer's or one typed again from the journal, so
 * the two take turns a whole record at a time; a record let go is waited
 * for until its word comes. A connection closed while its record waits
 * for its ACK is kept long enough to send that ACK.
 */
#include <algorithm>
#include <utility>

#include "protocol/engine.h"

namespace orvanta {

// A record of a transfer goes first; a record typed again waits for it.
void Engine::typeNext()
{
    if (typing_ != Typing::None)
        return;
    if (step_ == Step::WaitingToType) {
        const TransferContext& t = transfer_;
        typing_ = Typing::Transfer;
        typingTicket_ = ++lastTicket_;
        step_ = Step::Typing;
        emit(actions::TypeRecord{typingTicket_,
                                 recordDataOf({t.lineBuffer, static_cast<std::size_t>(t.lineLength)}),
                                 !std::exchange(typedSinceStart_, true)});
    } else if (typingAgain()) {
        startTypingAgain();
    }
}

// The record being typed stops at its next key; its word, when it comes,
// is that of a record let go.
void Engine::stopTyping(Typing which)
{
    if (which == Typing::Again && typingAgain())
        endTypingAgain();
    if (typing_ != which)
        return;
    emit(actions::StopTyping{typingTicket_});
    typing_ = Typing::Stale;
}

// One batch at a time: the user's choice while one is typed is dropped.
void Engine::handle(const events::TypeAgain& e)
{
    if (typesAgain())
        return;
    again_ = e.lines;
    againNext_ = 0;
    againFresh_ = true;
    if (again_.empty())
        return emit(actions::TypeAgainEnded{0, 0});
    typeNext();
}

void Engine::startTypingAgain()
{
    const std::string& line = again_[againNext_];
    typing_ = Typing::Again;
    typingTicket_ = ++lastTicket_;
    emit(actions::TypeRecord{typingTicket_,
                             recordDataOf({reinterpret_cast<const std::uint8_t*>(line.data()), line.size()}),
                             std::exchange(againFresh_, false)});
}

// The batch stops at the first record that did not go in whole: a record
// is never typed twice, nor one after a gap.
void Engine::onTypedAgain(const events::RecordTyped& e)
{
    if (e.outcome != TypingOutcome::Typed)
        return endTypingAgain();
    const std::string& line = again_[againNext_];
    emit(actions::WriteJournalRow{e.ticket, RowKind::TypedAgain,
                                  {reinterpret_cast<const std::uint8_t*>(line.data()), line.size()}, e.window,
                                  againNext_, false});
    if (++againNext_ == again_.size())
        endTypingAgain();
}

void Engine::endTypingAgain()
{
    emit(actions::TypeAgainEnded{std::min(againNext_, again_.size()), again_.size()});
    againNext_ = again_.size();
}

// Closing owes an ACK when a record was typed and its ACK has not gone
// out: without it the collector would send the record again, and the next
// transfer would type it twice.
void Engine::lingerOrClose()
{
    const bool ackOwed =
        step_ == Step::BeforeAck || (step_ == Step::Writing && command_ == Command::Ack && ackForRecord_);
    if (!ackOwed || linger_.connection != 0) {
        emit(actions::ClosePort{connection_});
        return;
    }
    const bool pauseOver = step_ != Step::BeforeAck || ackPauseOver_;
    const std::uint64_t ackDue = pauseOver ? now_ : dueUs_;
    linger_ = Linger{connection_, ackTicket_, !rowPending_, step_ == Step::Writing, ackDue,
                     pauseOver && step_ == Step::BeforeAck ? ackGiveUpUs_ : ackDue + usOf(kJournalWaitMs)};
    rowPending_ = false;
    lingerStep();
}

void Engine::lingerStep()
{
    Linger& l = linger_;
    if (l.connection == 0 || l.writing || now_ < l.ackDueUs || (!l.rowDone && now_ < l.giveUpUs))
        return;
    l.writing = true;
    emit(actions::WriteCommand{l.connection, Command::Ack});
}

std::uint64_t Engine::lingerDueUs() const
{
    const Linger& l = linger_;
    if (l.connection == 0 || l.writing)
        return 0;
    return now_ < l.ackDueUs || l.rowDone ? l.ackDueUs : l.giveUpUs;
}

}  // namespace orvanta
