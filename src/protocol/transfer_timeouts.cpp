/*
 * Transfer state machine: the UI thread's side. Start, every expiry of the
 * protocol timer (re-sends, NAKs, giving up, completion, keep-online
 * polls) and the reset to idle.
 */
#include "protocol/transfer.h"

namespace orvanta {

std::uint32_t TransferMachine::readTimeoutMs() const
{
    if (settings_.keepOnline > 0)
        return static_cast<std::uint32_t>(settings_.pollingSeconds) * 1000u;
    return kAnswerTimeoutMs;
}

int TransferMachine::StartTransfer()
{
    const int opened = services_.link.OpenPort();
    if (opened <= 0)
        return opened;
    transfer_.running = true;
    if (skipPollWithoutTarget(timerOwner))
        return 1;
    if (!SendCommand("READ\r", readTimeoutMs()))
        return failure(StatusCode::PortWriteFailed);
    return 1;
}

void TransferMachine::OnProtocolTimeout(WindowId window, std::uintptr_t timerId)
{
    services_.timer.kill(window, timerId);
    TransferContext& t = transfer_;
    if (!t.running)
        return;
    switch (t.state) {
    case TransferState::AwaitingAck:
        if (t.readRetryCount > kRetryLimit)
            return failTransfer(window, StatusCode::ReadTimeout);
        if (skipPollWithoutTarget(window))
            return;
        if (!SendCommand("READ\r", readTimeoutMs()))
            return failTransfer(window, StatusCode::PortWriteFailed);
        t.readRetryCount = settings_.keepOnline > 0 ? 0 : t.readRetryCount + 1;
        return;
    case TransferState::Receiving:
        if (t.nakRetryCount > kRetryLimit)
            return failTransfer(window, StatusCode::ReceiveTimeout);
        if (!SendCommand("NAK\r", kAnswerTimeoutMs))
            return failTransfer(window, StatusCode::PortWriteFailed);
        ++t.nakRetryCount;
        return;
    case TransferState::Complete:
        if (settings_.keepOnline > 0)
            return restartForNextPoll(window);
        ClosePort();
        ResetTransfer();
        return;
    }
}

int TransferMachine::UnattendedTimeoutStep()
{
    TransferContext& t = transfer_;
    switch (t.state) {
    case TransferState::AwaitingAck:
        if (t.readRetryCount++ > kRetryLimit)
            return 0;
        return SendCommand("READ\r", kAnswerTimeoutMs);
    case TransferState::Receiving:
        if (t.nakRetryCount++ > kRetryLimit)
            return 0;
        return SendCommand("NAK\r", kAnswerTimeoutMs);
    case TransferState::Complete:
        return 0;
    }
    return 1;
}

void TransferMachine::ResetTransfer()
{
    beginTransferAnew();
    transfer_.running = false;
    transfer_.typing = TypingState{};
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
}

void TransferMachine::ClosePort()
{
    stopProtocolTimer();
    services_.link.ClosePort();
}

// Closes first, so that the box is shown with no transfer running.
void TransferMachine::failTransfer(WindowId window, int result)
{
    ClosePort();
    ShowStatus(services_.messageBoxes, window, result);
    ResetTransfer();
}

void TransferMachine::restartForNextPoll(WindowId window)
{
    beginTransferAnew();
    services_.timer.set(window, kProtocolTimerId, readTimeoutMs());
}

// A keep-online poll whose time comes while no window could take a record
// (a locked workstation, the desktop in front) sends no READ: the
// collector keeps its records for the next poll. True when it was skipped.
bool TransferMachine::skipPollWithoutTarget(WindowId window)
{
    if (settings_.keepOnline <= 0 || synthesizer_.hasTypingTarget())
        return false;
    services_.timer.set(window, kProtocolTimerId, readTimeoutMs());
    return true;
}

}  // namespace orvanta
