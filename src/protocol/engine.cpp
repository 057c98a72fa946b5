/*
 * The engine's dispatch: each event to its part, the one deadline, the
 * watchdog, and what a series reports. The series is in series.cpp, the
 * conversation in conversation.cpp, the typing worker's turns and the
 * lingering ACK in record_turns.cpp.
 */
#include <algorithm>
#include <utility>

#include "protocol/engine.h"

namespace orvanta {

Engine::Engine(const Settings& settings) : settings_(settings), assembler_(transfer_)
{
    held_.reserve(kHeldInputBytes);
    heldChunks_.reserve(kMostHeldChunks);
    chunk_.reserve(kHeldInputBytes);
    out_.reserve(16);
}

const ActionList& Engine::on(const Event& event, std::uint64_t nowUs)
{
    now_ = nowUs;
    out_.clear();
    std::visit([this](const auto& e) { handle(e); }, event);
    settleDeadline();
    return out_;
}

std::uint32_t Engine::pollIntervalMs() const
{
    return static_cast<std::uint32_t>(settings_.pollingSeconds) * 1000u;
}

std::uint32_t Engine::readTimeoutMs() const
{
    return series_ ? pollIntervalMs() : kAnswerTimeoutMs;
}

void Engine::dueAt(Due due, std::uint64_t atUs)
{
    due_ = due;
    dueUs_ = atUs;
}

std::uint64_t Engine::deadlineUs() const
{
    const std::uint64_t own = due_ == Due::Nothing ? 0 : dueUs_;
    const std::uint64_t lingering = lingerDueUs();
    if (own == 0 || lingering == 0)
        return own + lingering;
    return std::min(own, lingering);
}

// A deadline the driver already has stays armed; one that passed is armed
// anew. A deadline that is no longer wanted is left to come: it finds
// nothing due and changes nothing.
void Engine::settleDeadline()
{
    const std::uint64_t at = deadlineUs();
    if (at == 0 || at == armedUs_)
        return;
    armedUs_ = at;
    emit(actions::ArmDeadline{at});
}

// A deadline says nothing of what it was armed for: what is due is read
// off the engine's own state, so one that comes late or twice does no harm.
void Engine::handle(const events::DeadlineDue&)
{
    armedUs_ = 0;
    lingerStep();
    if (due_ == Due::Nothing || now_ < dueUs_)
        return;
    switch (std::exchange(due_, Due::Nothing)) {
    case Due::Step: return onStepDue();
    case Due::Answer: return answerLate();
    case Due::Read: return onReadDue(readOutstanding_);
    case Due::RecordWindowLook: return onReadDue(false);
    case Due::Reopen: return openPort();
    case Due::Nothing: return;
    }
}

bool Engine::awaitsWorker() const
{
    return port_ == Port::Opening || step_ == Step::Writing || step_ == Step::Typing
           || step_ == Step::WaitingToType || look_ != Look::None || linger_.writing;
}

// The watchdog: a series that waits for nothing, or for a deadline or a
// port worker long overdue, can no longer go on by itself. It is started
// again as after an arrival of its port, and says so. A record being typed
// is not overdue: at the slowest rate a long one takes minutes.
void Engine::handle(const events::WatchdogLook&)
{
    if (!series_)
        return;
    const std::uint64_t due = deadlineUs();
    const bool portWorkerLate = (port_ == Port::Opening || step_ == Step::Writing)
                                && now_ - waitingSinceUs_ > usOf(kWatchdogGraceMs);
    const bool stalled = due == 0 ? !awaitsWorker() : now_ > due + usOf(kWatchdogGraceMs);
    if (stalled || portWorkerLate)
        waitForNextPoll(SeriesState::StartedAgain, StatusCode::Ok, kReopenSettleMs);
}

void Engine::handle(const events::BytesArrived& e)
{
    if (e.connection != connection_ || port_ != Port::Open)
        return;
    holdInput(e.bytes);
    handleHeldInput();
}

void Engine::handle(const events::CommandWritten& e)
{
    if (e.connection != 0 && e.connection == linger_.connection && linger_.writing) {
        emit(actions::ClosePort{linger_.connection});
        linger_ = {};
        return;
    }
    if (e.connection != connection_ || step_ != Step::Writing)
        return;
    onCommandWritten(e);
}

void Engine::handle(const events::RecordTyped& e)
{
    if (e.ticket == 0 || e.ticket != typingTicket_)
        return;
    const Typing was = std::exchange(typing_, Typing::None);
    typingTicket_ = 0;
    if (was == Typing::Transfer)
        onRecordTyped(e);
    else if (was == Typing::Again)
        onTypedAgain(e);
    typeNext();
    handleHeldInput();
}

void Engine::handle(const events::JournalRowWritten& e)
{
    if (linger_.connection != 0 && e.ticket == linger_.ticket) {
        linger_.rowDone = true;
        lingerStep();
    }
    if (e.ticket != ackTicket_ || !rowPending_)
        return;
    rowPending_ = false;
    acknowledgeWhenReady();
}

// Only a keep-online series has a state to show; its end shows idle.
void Engine::report(SeriesState state, StatusCode result)
{
    const SeriesReport now{state, result, portInUse_ != 0 ? portInUse_ : settings_.comPort, settings_.pollingSeconds,
                           state == SeriesState::NoAnswer ? unansweredSinceUs_ : 0};
    const bool stillIdle = state == SeriesState::Idle && reported_.state == SeriesState::Idle;
    if (now == reported_ || stillIdle || (!series_ && state != SeriesState::Idle))
        return;
    reported_ = now;
    emit(actions::ReportSeries{now});
}

}  // namespace orvanta
