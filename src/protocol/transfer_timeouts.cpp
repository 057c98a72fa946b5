/*
 * Transfer state machine: the UI thread's side. Start, every expiry of the
 * protocol timer (re-sends, NAKs, giving up, completion, keep-online
 * polls), the reset to idle, and what the system says about sleep, ports
 * and the session.
 *
 * A keep-online series runs on a PC nobody watches: a transfer that fails
 * there closes the port and reports why, without a message box, and the
 * next poll opens the port again. One-shot transfers keep their boxes.
 */
#include "protocol/transfer.h"

namespace orvanta {
namespace {

SeriesState stateAfterFailure(int result)
{
    switch (static_cast<StatusCode>(result)) {
    case StatusCode::ReadTimeout:
    case StatusCode::ReceiveTimeout: return SeriesState::TransferFailed;
    case StatusCode::NoTypingTarget: return SeriesState::NoTypingTarget;
    default: return SeriesState::WaitingForPort;
    }
}

}  // namespace

std::uint32_t TransferMachine::pollIntervalMs() const
{
    return static_cast<std::uint32_t>(settings_.pollingSeconds) * 1000u;
}

std::uint32_t TransferMachine::readTimeoutMs() const
{
    return settings_.keepOnline > 0 ? pollIntervalMs() : kAnswerTimeoutMs;
}

int TransferMachine::StartTransfer()
{
    series_ = settings_.keepOnline > 0;
    unattendedResult_ = failure(StatusCode::ConnectionFailed);
    const int started = openAndAskForRecords(timerOwner);
    if (started == 1 || !series_)
        return started;
    endTransferOfSeries(timerOwner, started);
    return 1;
}

// A keep-online poll whose time comes while no window could take a record
// sends no READ: the collector keeps its records for the next poll. Nor
// does a port whose receive thread has already ended: its hand-over may
// reach the timer before this READ's time-out and be replaced by it.
int TransferMachine::openAndAskForRecords(WindowId window)
{
    transfer_.typing.stopRequested = false;
    const int opened = services_.link.OpenPort();
    if (opened <= 0)
        return opened;
    transfer_.running = true;
    if (services_.link.portLost())
        return failure(StatusCode::PortWriteFailed);
    if (checkTypingTarget(window) == TargetWait::Waiting)
        return 1;
    if (!SendCommand("READ\r", readTimeoutMs()))
        return failure(StatusCode::PortWriteFailed);
    report(SeriesState::Collecting);
    return 1;
}

void TransferMachine::OnProtocolTimeout(WindowId window, std::uintptr_t timerId)
{
    services_.timer.kill(window, timerId);
    TransferContext& t = transfer_;
    if (!t.running) {
        if (series_)
            pollWithPortClosed(window);
        return;
    }
    if (services_.link.portLost())
        return failTransfer(window, StatusCode::PortWriteFailed);
    switch (t.state) {
    case TransferState::AwaitingAck: return onReadTimeout(window);
    case TransferState::Receiving: return onAnswerTimeout(window);
    case TransferState::Complete:
        if (series_)
            return restartForNextPoll(window);
        ClosePort();
        ResetTransfer();
        return;
    }
}

// The series' port was closed by a failure, a loss or sleep: open it again.
void TransferMachine::pollWithPortClosed(WindowId window)
{
    const int started = openAndAskForRecords(window);
    if (started != 1)
        endTransferOfSeries(window, started);
}

void TransferMachine::onReadTimeout(WindowId window)
{
    TransferContext& t = transfer_;
    if (t.readRetryCount > kRetryLimit)
        return failTransfer(window, StatusCode::ReadTimeout);
    switch (checkTypingTarget(window)) {
    case TargetWait::Waiting: return;
    case TargetWait::GaveUp: return failTransfer(window, StatusCode::NoTypingTarget);
    case TargetWait::Ready: break;
    }
    if (!SendCommand("READ\r", readTimeoutMs()))
        return failTransfer(window, StatusCode::PortWriteFailed);
    report(SeriesState::Collecting);
    t.readRetryCount = series_ ? 0 : t.readRetryCount + 1;
}

void TransferMachine::onAnswerTimeout(WindowId window)
{
    TransferContext& t = transfer_;
    if (t.nakRetryCount > kRetryLimit)
        return failTransfer(window, StatusCode::ReceiveTimeout);
    if (!SendCommand("NAK\r", kAnswerTimeoutMs))
        return failTransfer(window, StatusCode::PortWriteFailed);
    ++t.nakRetryCount;
}

// Before a READ: a keep-online series without a window waits for the next
// poll; a one-shot transfer paused by a record nobody could take looks
// again every kTargetCheckMs, as long as its NAKs would have lasted. No
// look counts against the READ or NAK limits.
TransferMachine::TargetWait TransferMachine::checkTypingTarget(WindowId window)
{
    TransferContext& t = transfer_;
    if (!series_ && !t.pausedForTarget)
        return TargetWait::Ready;
    if (synthesizer_.hasTypingTarget()) {
        t.pausedForTarget = false;
        t.targetChecks = 0;
        return TargetWait::Ready;
    }
    if (series_) {
        report(SeriesState::NoTypingTarget);
        services_.timer.set(window, kProtocolTimerId, pollIntervalMs());
        return TargetWait::Waiting;
    }
    if (++t.targetChecks > kRetryLimit + 1)
        return TargetWait::GaveUp;
    services_.timer.set(window, kProtocolTimerId, kTargetCheckMs);
    return TargetWait::Waiting;
}

int TransferMachine::UnattendedTimeoutStep()
{
    TransferContext& t = transfer_;
    if (services_.link.portLost())
        return endUnattended(StatusCode::PortWriteFailed);
    switch (t.state) {
    case TransferState::AwaitingAck:
        switch (checkTypingTarget(timerOwner)) {
        case TargetWait::Waiting: return 1;
        case TargetWait::GaveUp: return endUnattended(StatusCode::NoTypingTarget);
        case TargetWait::Ready: break;
        }
        if (t.readRetryCount++ > kRetryLimit)
            return endUnattended(StatusCode::ReadTimeout);
        return sendOrEndUnattended("READ\r");
    case TransferState::Receiving:
        if (t.nakRetryCount++ > kRetryLimit)
            return endUnattended(StatusCode::ReceiveTimeout);
        return sendOrEndUnattended("NAK\r");
    case TransferState::Complete:
        unattendedResult_ = 1;
        return 0;
    }
    return 1;
}

int TransferMachine::endUnattended(StatusCode code)
{
    unattendedResult_ = failure(code);
    return 0;
}

int TransferMachine::sendOrEndUnattended(const char* command)
{
    if (SendCommand(command, kAnswerTimeoutMs))
        return 1;
    return endUnattended(StatusCode::PortWriteFailed);
}

void TransferMachine::ResetTransfer()
{
    series_ = false;
    forgetTransfer();
    report(SeriesState::Idle);
}

// What a reset and a failed transfer of a series forget.
void TransferMachine::forgetTransfer()
{
    beginTransferAnew();
    transfer_.running = false;
    transfer_.typing.forget();
}

// What a reset and a keep-online restart both forget.
void TransferMachine::beginTransferAnew()
{
    TransferContext& t = transfer_;
    ForgetLastRecord(t);
    t.state = TransferState::AwaitingAck;
    t.expectedSequence = 0;
    t.nakRetryCount = 0;
    t.readRetryCount = 0;
    t.pausedForTarget = false;
    t.targetChecks = 0;
}

// The record being typed stops at its next key: closing waits for the
// receive thread, which would otherwise go on typing a long record for
// minutes. What that thread asked of the timer before it ended is stale.
void TransferMachine::ClosePort()
{
    stopProtocolTimer();
    transfer_.typing.stopRequested = true;
    services_.link.ClosePort();
    services_.timer.discardPending();
}

// Closes first, so that the box is shown with no transfer running.
void TransferMachine::failTransfer(WindowId window, int result)
{
    if (series_)
        return endTransferOfSeries(window, result);
    ClosePort();
    ShowStatus(services_.messageBoxes, window, result);
    ResetTransfer();
}

// The next poll opens the port anew and sends READ, whatever failed: a
// port that cannot be opened now may be there at the next poll.
void TransferMachine::endTransferOfSeries(WindowId window, int result)
{
    ClosePort();
    forgetTransfer();
    report(stateAfterFailure(result), result);
    services_.timer.set(window, kProtocolTimerId, pollIntervalMs());
}

void TransferMachine::restartForNextPoll(WindowId window)
{
    beginTransferAnew();
    services_.timer.set(window, kProtocolTimerId, readTimeoutMs());
}

// Closing waits for the receive thread to finish the record it is typing,
// so the port goes between records. The poll armed here covers a resume
// that is never announced.
void TransferMachine::OnSuspend()
{
    if (!series_)
        return;
    ClosePort();
    forgetTransfer();
    report(SeriesState::WaitingForPort);
    armProtocolTimer(pollIntervalMs());
}

void TransferMachine::OnResume()
{
    if (series_ && !transfer_.running)
        armProtocolTimer(kReopenSettleMs);
}

void TransferMachine::OnPortArrived(int comPort)
{
    if (series_ && !transfer_.running && (comPort == 0 || comPort == settings_.comPort))
        armProtocolTimer(kReopenSettleMs);
}

// Asked whether the session may end: the record being typed stops at its
// next key, unacknowledged, before the answer, so that applications that
// agree to close get nothing more. A series waits for the end, or for the
// word that the session goes on after all (a program refused to close),
// and then opens the port again; should neither come, a late poll does.
void TransferMachine::OnSessionEnding()
{
    if (series_) {
        ClosePort();
        forgetTransfer();
        report(SeriesState::WaitingForPort);
        armProtocolTimer(kSessionEndWaitMs);
    } else if (transfer_.running) {
        ClosePort();
        ResetTransfer();
    }
}

void TransferMachine::OnSessionGoesOn()
{
    if (series_ && !transfer_.running)
        armProtocolTimer(kReopenSettleMs);
}

void TransferMachine::OnSessionEnd()
{
    ClosePort();
    ResetTransfer();
}

// Only a keep-online series has a state to show; its end shows idle.
void TransferMachine::report(SeriesState state, std::int32_t result)
{
    const SeriesReport now{state, result, settings_.comPort, settings_.pollingSeconds};
    if (!observer || now == reported_ || (!series_ && state != SeriesState::Idle))
        return;
    reported_ = now;
    observer->seriesChanged(now);
}

}  // namespace orvanta
