/*
 * Carrying out the engine's actions, and the inbox the workers post to.
 */
#include "protocol/engine_driver.h"

#include <utility>

namespace orvanta {
OwnedEvent::OwnedEvent(const Event& from) : event(from)
{
    if (auto* arrived = std::get_if<events::BytesArrived>(&event)) {
        bytes.assign(arrived->bytes.begin(), arrived->bytes.end());
        arrived->bytes = bytes;
    }
}

// The bytes move with their vector, but the view is set again all the same.
OwnedEvent& OwnedEvent::operator=(OwnedEvent&& other) noexcept
{
    event = std::move(other.event);
    bytes = std::move(other.bytes);
    if (auto* arrived = std::get_if<events::BytesArrived>(&event))
        arrived->bytes = bytes;
    return *this;
}

// The engine's actions are carried out in order before anything else is
// fed to it: a worker's answer may come before its action returns (a
// synchronous fake), and a dialog an action opens runs the thread's
// messages.
void EngineDriver::feed(const Event& event)
{
    if (feeding_) {
        waiting_.emplace_back(event);
        return;
    }
    feeding_ = true;
    feedNow(event);
    while (!waiting_.empty()) {
        const OwnedEvent next = std::move(waiting_.front());
        waiting_.pop_front();
        feedNow(next.event);
    }
    feeding_ = false;
}

// The list is the engine's and valid until its next event, which only
// comes after these actions.
void EngineDriver::feedNow(const Event& event)
{
    for (const Action& action : engine_.on(event, clock_.nowUs()))
        carryOut(action);
}

void EngineDriver::carryOut(const Action& action)
{
    using namespace actions;
    std::visit(Overloaded{
                   [this](const OpenPort& a) { hands_.ports.open(a.connection); },
                   [this](const ClosePort& a) { hands_.ports.close(a.connection); },
                   [this](const WriteCommand& a) { hands_.ports.write(a.connection, a.command); },
                   [this](const TypeRecord& a) { hands_.typist.type(a.ticket, a.data, a.fresh); },
                   [this](const StopTyping& a) { hands_.typist.stop(a.ticket); },
                   [this](const WriteJournalRow& a) { hands_.journal.write(a); },
                   [this](const ArmDeadline& a) { hands_.timer.armAt(a.atUs); },
                   [this](const LookForRecordWindow&) {
                       waiting_.emplace_back(events::RecordWindowLooked{hands_.typist.recordWindowThere()});
                   },
                   [this](const ReportSeries& a) { hands_.reports.seriesChanged(a.report); },
                   [this](const TransferEnded& a) { hands_.reports.transferEnded(a.result); },
                   [this](const BatchDelivered& a) { hands_.reports.batchDelivered(a.records); },
                   [this](const TypeAgainEnded& a) { hands_.reports.typeAgainEnded(a.typed, a.chosen); },
                   [this](const TellAdapterMoved& a) { hands_.reports.adapterMoved(a.comPort); },
               },
               action);
}

void EngineInbox::post(const Event& event)
{
    OwnedEvent posted(event);
    bool wasEmpty;
    {
        const std::lock_guard hold(lock_);
        wasEmpty = posted_.empty();
        posted_.push_back(std::move(posted));
    }
    if (wasEmpty && wake_)
        wake_();
}

void EngineInbox::deliverTo(EngineDriver& driver)
{
    for (;;) {
        OwnedEvent next;
        {
            const std::lock_guard hold(lock_);
            if (posted_.empty())
                return;
            next = std::move(posted_.front());
            posted_.pop_front();
        }
        driver.feed(next.event);
    }
}

}  // namespace orvanta
