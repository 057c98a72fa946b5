/*
 * The series, on the UI thread: start, every deadline of the protocol
 * timer (re-sends, NAKs, giving up, completion, keep-online polls), the
 * reset to idle, and what the system says about sleep, ports and the
 * session.
 *
 * A keep-online series runs on a PC nobody watches: a transfer that fails
 * there closes the port and reports why, without a message box, and the
 * next poll opens the port again. One-shot transfers tell the app.
 */
#include "protocol/series.h"

namespace orvanta {
namespace {

SeriesState stateAfterFailure(StatusCode result)
{
    switch (result) {
    case StatusCode::ReadTimeout:
    case StatusCode::ReceiveTimeout: return SeriesState::TransferFailed;
    case StatusCode::NoTypingTarget: return SeriesState::NoTypingTarget;
    default: return SeriesState::WaitingForPort;
    }
}

}  // namespace

Series::Series(Conversation& conversation, TransferContext& transfer, RecordDelivery& delivery,
               const Settings& settings, WatchedTimer& timer)
    : conversation_(conversation), transfer_(transfer), delivery_(delivery), settings_(settings), timer_(timer)
{
}

std::uint32_t Series::pollIntervalMs() const
{
    return static_cast<std::uint32_t>(settings_.pollingSeconds) * 1000u;
}

std::uint32_t Series::readTimeoutMs() const
{
    return settings_.keepOnline > 0 ? pollIntervalMs() : kAnswerTimeoutMs;
}

StatusCode Series::start()
{
    series_ = settings_.keepOnline > 0;
    const StatusCode started = openOrEnd();
    return series_ ? StatusCode::Ok : started;
}

StatusCode Series::openOrEnd()
{
    const StatusCode started = openAndAskForRecords();
    if (started != StatusCode::Ok)
        endTransfer(started);
    return started;
}

// A keep-online poll whose time comes while no window could take a record
// sends no READ: the collector keeps its records for the next poll.
StatusCode Series::openAndAskForRecords()
{
    const StatusCode opened = conversation_.open();
    if (opened != StatusCode::Ok)
        return opened;
    if (checkTypingTarget() == TargetWait::Waiting)
        return StatusCode::Ok;
    if (!conversation_.sendCommand("READ\r", Deadline::Read, readTimeoutMs()))
        return StatusCode::PortWriteFailed;
    report(SeriesState::Collecting);
    return StatusCode::Ok;
}

// A deadline says what it was armed for; an answer or a READ that is due
// still goes by the state, which the receive thread may have moved on
// since. A series whose port is closed (by a failure, a loss or sleep)
// opens it again at whichever deadline comes.
void Series::onDeadline(Deadline deadline)
{
    timer_.stop();
    if (!transfer_.running) {
        if (series_)
            openOrEnd();
        return;
    }
    if (deadline == Deadline::PortLost || conversation_.portLostNow())
        return endTransfer(StatusCode::PortWriteFailed);
    switch (transfer_.state) {
    case TransferState::AwaitingAck: return onReadDue();
    case TransferState::Complete: return onCompleted();
    case TransferState::Receiving: break;
    }
    const StatusCode answered = conversation_.answerLate();
    if (answered != StatusCode::Ok)
        endTransfer(answered);
}

// A record being typed keeps nothing armed, for minutes at the slowest
// rate. A port whose device went, or whose receive thread ended, is seen
// at the next deadline, or at once by the receive thread's hand-over; with
// that hand-over lost and polls far apart, it would sit unseen.
bool Series::watch(std::uint32_t nowMs)
{
    if (!series_ || transfer_.handlingChunk) {
        lostSinceMs_.reset();
        return false;
    }
    const bool lostUnseen = transfer_.running && conversation_.portLostNow() && !timer_.awaits(Deadline::PortLost);
    if (!lostUnseen)
        lostSinceMs_.reset();
    else if (!lostSinceMs_)
        lostSinceMs_ = nowMs;
    const bool lostTooLong = lostSinceMs_ && nowMs - *lostSinceMs_ > kWatchdogGraceMs;
    if (!lostTooLong && !timer_.stalled(nowMs, kWatchdogGraceMs))
        return false;
    lostSinceMs_.reset();
    waitForNextPoll(SeriesState::StartedAgain, StatusCode::Ok, kReopenSettleMs);
    return true;
}

void Series::onReadDue()
{
    if (conversation_.readsUsedUp())
        return endTransfer(StatusCode::ReadTimeout);
    switch (checkTypingTarget()) {
    case TargetWait::Waiting: return;
    case TargetWait::GaveUp: return endTransfer(StatusCode::NoTypingTarget);
    case TargetWait::Ready: break;
    }
    const StatusCode asked = conversation_.askAgain(readTimeoutMs(), !series_);
    if (asked != StatusCode::Ok)
        return endTransfer(asked);
    report(SeriesState::Collecting);
}

void Series::onCompleted()
{
    if (observer && transfer_.recordsAcknowledged > 0)
        observer->batchDelivered(transfer_.recordsAcknowledged);
    if (series_) {
        conversation_.beginAnew();
        timer_.arm(Deadline::Read, readTimeoutMs());
        return;
    }
    closePort();
    if (ends)
        ends->transferEnded(StatusCode::Ok);
    reset();
}

// Before a READ: a keep-online series without a window waits for the next
// poll; a one-shot transfer paused by a record nobody could take looks
// again every kTargetCheckMs, as long as its NAKs would have lasted. No
// look counts against the READ or NAK limits.
Series::TargetWait Series::checkTypingTarget()
{
    TransferContext& t = transfer_;
    if (!series_ && !t.pausedForTarget)
        return TargetWait::Ready;
    if (delivery_.windowTakesRecords()) {
        t.pausedForTarget = false;
        t.targetChecks = 0;
        return TargetWait::Ready;
    }
    if (series_) {
        report(SeriesState::NoTypingTarget);
        timer_.arm(Deadline::Read, pollIntervalMs());
        return TargetWait::Waiting;
    }
    if (++t.targetChecks > kRetryLimit + 1)
        return TargetWait::GaveUp;
    timer_.arm(Deadline::TargetLook, kTargetCheckMs);
    return TargetWait::Waiting;
}

// Closes first, so that the end is told with no transfer running. The
// next poll of a series opens the port anew and sends READ, whatever
// failed: a port that cannot be opened now may be there at the next poll.
void Series::endTransfer(StatusCode result)
{
    if (series_)
        return waitForNextPoll(stateAfterFailure(result), result, pollIntervalMs());
    closePort();
    if (ends)
        ends->transferEnded(result);
    reset();
}

void Series::waitForNextPoll(SeriesState state, StatusCode result, std::uint32_t ms)
{
    closePort();
    conversation_.forget();
    report(state, result);
    timer_.arm(Deadline::Reopen, ms);
}

void Series::reset()
{
    series_ = false;
    conversation_.forget();
    report(SeriesState::Idle);
}

void Series::stop()
{
    closePort();
    reset();
}

void Series::closePort()
{
    conversation_.close();
}

// Closing lets the record being typed stop at its next key, unacknowledged,
// so the port goes between records. The poll armed here covers a resume
// that is never announced.
void Series::onSuspend()
{
    if (series_)
        waitForNextPoll(SeriesState::WaitingForPort, StatusCode::Ok, pollIntervalMs());
}

void Series::onResume()
{
    if (series_ && !transfer_.running)
        timer_.arm(Deadline::Reopen, kReopenSettleMs);
}

void Series::onPortArrived(int comPort)
{
    if (series_ && !transfer_.running && (comPort == 0 || comPort == settings_.comPort))
        timer_.arm(Deadline::Reopen, kReopenSettleMs);
}

// Asked whether the session may end: the record being typed stops at its
// next key, unacknowledged, before the answer, so that applications that
// agree to close get nothing more. A series waits for the end, or for the
// word that the session goes on after all (a program refused to close),
// and then opens the port again; should neither come, a late poll does.
void Series::onSessionEnding()
{
    if (series_)
        waitForNextPoll(SeriesState::WaitingForPort, StatusCode::Ok, kSessionEndWaitMs);
    else if (transfer_.running)
        stop();
}

void Series::onSessionGoesOn()
{
    if (series_ && !transfer_.running)
        timer_.arm(Deadline::Reopen, kReopenSettleMs);
}

// Only a keep-online series has a state to show; its end shows idle.
void Series::report(SeriesState state, StatusCode result)
{
    const SeriesReport now{state, result, settings_.comPort, settings_.pollingSeconds};
    if (!observer || now == reported_ || (!series_ && state != SeriesState::Idle))
        return;
    reported_ = now;
    observer->seriesChanged(now);
}

}  // namespace orvanta
