/*
 * The engine's series: Start and Stop, the port's opening, loss and
 * arrival, the end of a transfer, keep-online polls, the wait for a window
 * to type the records into, a collector that stopped answering, sleep and
 * the session.
 *
 * A keep-online series runs on a PC nobody watches: a transfer that fails
 * there closes the port and reports why, without a message box, and the
 * next poll opens the port again. A one-shot transfer says how it ended,
 * and the program decides what that means (a message box, an exit code).
 */
#include <utility>

#include "protocol/engine.h"

namespace orvanta {
namespace {

SeriesState stateAfterFailure(StatusCode result)
{
    switch (result) {
    case StatusCode::ReadTimeout:
    case StatusCode::ReceiveTimeout: return SeriesState::TransferFailed;
    case StatusCode::NoRecordWindow: return SeriesState::NoRecordWindow;
    default: return SeriesState::WaitingForPort;
    }
}

}  // namespace

void Engine::handle(const events::Started&)
{
    if (busy())
        return;
    series_ = settings_.keepOnline > 0;
    portInUse_ = 0;
    forgetTransfer();
    openPort();
}

void Engine::openPort()
{
    due_ = Due::Nothing;
    connection_ = ++lastConnection_;
    port_ = Port::Opening;
    waitingSinceUs_ = now_;
    transfer_.bytesReceived = transfer_.receivedBeforeAck = 0;
    emit(actions::OpenPort{connection_});
}

// A port that failed to open has nothing left open to close.
void Engine::handle(const events::PortOpened& e)
{
    if (e.connection != connection_ || port_ != Port::Opening)
        return;
    if (e.status != StatusCode::Ok) {
        port_ = Port::Closed;
        connection_ = 0;
        return endTransfer(e.status);
    }
    port_ = Port::Open;
    if (e.comPort != 0)
        portInUse_ = e.comPort;
    transfer_.running = true;
    step_ = Step::Listening;
    askForRecords(Look::FirstRead);
}

// A record being typed when the port goes is typed to its end: its ACK
// cannot go out, so the collector sends it again, and a duplicate is
// easier on the application than a piece.
void Engine::handle(const events::PortLost& e)
{
    if (e.connection == linger_.connection) {
        emit(actions::ClosePort{linger_.connection});
        linger_ = {};
    }
    if (e.connection != connection_ || port_ == Port::Closed)
        return;
    if (typing_ == Typing::Transfer)
        typing_ = Typing::Stale;
    step_ = Step::Listening;   // no ACK can go out on it any more
    endTransfer(StatusCode::PortWriteFailed);
}

void Engine::completeTransfer()
{
    transfer_.state = TransferState::Complete;
    if (transfer_.recordsAcknowledged > 0)
        emit(actions::BatchDelivered{transfer_.recordsAcknowledged});
    if (series_) {
        beginAnew();
        dueIn(Due::Read, readTimeoutMs());
        return;
    }
    closePort();
    emit(actions::TransferEnded{StatusCode::Ok});
    reset();
}

// Closes first, so that the end is told with no transfer running. The
// next poll of a series opens the port anew and sends READ, whatever
// failed: a port that cannot be opened now may be there at the next poll.
void Engine::endTransfer(StatusCode result)
{
    if (series_)
        return waitForNextPoll(stateAfterFailure(result), result, pollIntervalMs());
    closePort();
    emit(actions::TransferEnded{result});
    reset();
}

void Engine::waitForNextPoll(SeriesState state, StatusCode result, std::uint32_t ms)
{
    closePort();
    forgetTransfer();
    report(state, result);
    dueIn(Due::Reopen, ms);
}

// The record being typed stops at its next key, unacknowledged, so the
// port goes between records; one already typed keeps its connection long
// enough for its ACK.
void Engine::closePort()
{
    due_ = Due::Nothing;
    look_ = Look::None;
    if (connection_ != 0)
        lingerOrClose();
    if (typing_ == Typing::Transfer)
        stopTyping(Typing::Transfer);
    connection_ = 0;
    port_ = Port::Closed;
    transfer_.running = false;
    step_ = Step::Listening;
    chunkOpen_ = false;
    dropHeldInput();
}

void Engine::reset()
{
    series_ = false;
    forgetTransfer();
    report(SeriesState::Idle);
}

// What a transfer found, typing's included (the next record looks at Caps
// Lock anew).
void Engine::forgetTransfer()
{
    beginAnew();
    transfer_.running = false;
    typedSinceStart_ = false;
    unansweredReads_ = 0;
    noAnswerReported_ = false;
}

void Engine::handle(const events::Stopped&)
{
    stopAll();
}

void Engine::stopAll()
{
    stopTyping(Typing::Again);
    closePort();
    reset();
}

// A keep-online poll whose time comes while no window could take a record
// sends no READ: the collector keeps its records for the next poll.
void Engine::askForRecords(Look then)
{
    if (series_ || transfer_.waitingForRecordWindow) {
        look_ = then;
        emit(actions::LookForRecordWindow{});
        return;
    }
    sendRead(then == Look::ReadAgain);
}

void Engine::sendRead(bool again)
{
    readCounted_ = again && !series_;
    sendCommand(Command::Read);
}

void Engine::onReadDue(bool timedOut)
{
    if (timedOut)
        noteUnansweredRead();
    if (transfer_.readRetryCount > kRetryLimit)
        return endTransfer(StatusCode::ReadTimeout);
    askForRecords(Look::ReadAgain);
}

void Engine::handle(const events::RecordWindowLooked& e)
{
    onRecordWindowLooked(e.found);
}

// Before a READ: a keep-online series without a window waits for the next
// poll; a one-shot transfer that a record found without one looks again
// every kRecordWindowLookMs, as long as its NAKs would have lasted. No
// look counts against the READ or NAK limits.
void Engine::onRecordWindowLooked(bool found)
{
    const Look then = std::exchange(look_, Look::None);
    if (then == Look::None || port_ != Port::Open)
        return;
    TransferContext& t = transfer_;
    if (found) {
        t.waitingForRecordWindow = false;
        t.recordWindowLooks = 0;
        return sendRead(then == Look::ReadAgain);
    }
    if (series_) {
        report(SeriesState::NoRecordWindow);
        return dueIn(Due::Read, pollIntervalMs());
    }
    if (++t.recordWindowLooks > kRetryLimit + 1)
        return endTransfer(StatusCode::NoRecordWindow);
    dueIn(Due::RecordWindowLook, kRecordWindowLookMs);
}

// In a keep-online series the READ's time-out is the next poll, so a
// collector that stopped answering would otherwise look like one with
// nothing to send. It is said once, after a few polls and a while.
void Engine::noteUnansweredRead()
{
    if (!series_)
        return;
    ++unansweredReads_;
    if (noAnswerReported_ || unansweredReads_ < kUnansweredPolls
        || now_ - unansweredSinceUs_ < usOf(kUnansweredSpanMs))
        return;
    noAnswerReported_ = true;
    report(SeriesState::NoAnswer);
}

void Engine::collectorAnswered()
{
    readOutstanding_ = false;
    unansweredReads_ = 0;
    if (std::exchange(noAnswerReported_, false))
        report(SeriesState::Collecting);
}

SeriesState Engine::collectingState() const
{
    return noAnswerReported_ ? SeriesState::NoAnswer : SeriesState::Collecting;
}

// Closing lets the record being typed stop at its next key, unacknowledged,
// so the port goes between records. The poll armed here covers a resume
// that is never announced.
void Engine::handle(const events::Suspending&)
{
    if (series_)
        waitForNextPoll(SeriesState::WaitingForPort, StatusCode::Ok, pollIntervalMs());
}

void Engine::reopenSoon()
{
    if (series_ && port_ == Port::Closed)
        dueIn(Due::Reopen, kReopenSettleMs);
}

void Engine::handle(const events::Resumed&)
{
    reopenSoon();
}

// Any port that arrives may be the collector's adapter under a new number;
// the connection decides whether it is.
void Engine::handle(const events::PortArrived&)
{
    reopenSoon();
}

void Engine::handle(const events::AdapterMoved& e)
{
    if (e.connection == connection_ && port_ == Port::Opening)
        emit(actions::TellAdapterMoved{e.comPort});
}

// Asked whether the session may end: the record being typed stops at its
// next key, unacknowledged, before the answer, so that applications that
// agree to close get nothing more. A series waits for the end, or for the
// word that the session goes on after all (a program refused to close),
// and then opens the port again; should neither come, a late poll does.
void Engine::handle(const events::SessionQuery&)
{
    stopTyping(Typing::Again);
    if (series_)
        waitForNextPoll(SeriesState::WaitingForPort, StatusCode::Ok, kSessionEndWaitMs);
    else if (busy())
        stopAll();
}

// The process may be ended any time now: nothing lingers.
void Engine::handle(const events::SessionEnded&)
{
    if (linger_.connection != 0)
        emit(actions::ClosePort{linger_.connection});
    linger_ = {};
    stopAll();
}

void Engine::handle(const events::SessionGoesOn&)
{
    reopenSoon();
}

}  // namespace orvanta
