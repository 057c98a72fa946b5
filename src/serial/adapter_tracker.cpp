/*
 * Choosing the port to open for the collector's adapter; see
 * adapter_tracker.h.
 */
#include "serial/adapter_tracker.h"

namespace orvanta {
namespace {

std::optional<PortAdapter> adapterAt(const std::vector<PortAdapter>& present, int number)
{
    const PortAdapter* port = portNumbered(present, number);
    return port ? std::optional<PortAdapter>(*port) : std::nullopt;
}

}  // namespace

// The record applies to the number it was made for, and to the number the
// adapter went to (the dialog shows that one, and the next Start saves
// it); it stays the record of the number first chosen, which a logon's
// command line may go on giving. Any other number is the user's new
// choice: no adapter is known for it until its port opens.
std::optional<KeptAdapter> AdapterTracker::keptFor(int chosenPort)
{
    if (!recalled_) {
        kept_ = memory_.recall();
        recalled_ = true;
    }
    if (kept_ && (kept_->chosenPort == chosenPort || kept_->adapter.portNumber == chosenPort))
        return kept_;
    return std::nullopt;
}

// A number no list names, and none of the adapter's found, is opened as
// it always was: the open says whether it is there.
PortChoice AdapterTracker::choose(int chosenPort)
{
    const std::lock_guard hold(lock_);
    const std::optional<KeptAdapter> kept = keptFor(chosenPort);
    const std::vector<PortAdapter> present = inventory_.presentAdapters();
    const AdapterFinding found =
        findAdapter(kept ? std::optional<PortAdapter>(kept->adapter) : std::nullopt, chosenPort, present);
    candidates_.clear();
    switch (found.verdict) {
    case AdapterVerdict::UseChosen:
        return {StatusCode::Ok, chosenPort, false, adapterAt(present, chosenPort), kept ? kept->chosenPort : chosenPort};
    case AdapterVerdict::UseOther:
        return {StatusCode::Ok, found.portNumber, kept->adapter.portNumber != found.portNumber,
                adapterAt(present, found.portNumber), kept->chosenPort};
    case AdapterVerdict::Ambiguous:
        candidates_ = found.candidates;
        return {StatusCode::AdapterAmbiguous, 0, false, std::nullopt, chosenPort};
    case AdapterVerdict::ChosenIsAnotherDevice:
        return {StatusCode::PortOpenFailed, 0, false, std::nullopt, chosenPort};
    case AdapterVerdict::NotPresent: break;
    }
    return {StatusCode::Ok, chosenPort, false, std::nullopt, chosenPort};
}

// A port whose device nothing can tell apart is not kept: the number
// alone decides for it, as before.
void AdapterTracker::opened(const PortChoice& choice)
{
    if (!choice.adapter || !knowsDevice(*choice.adapter))
        return;
    const KeptAdapter now{choice.keptFor, *choice.adapter};
    const std::lock_guard hold(lock_);
    if (kept_ == now)
        return;
    kept_ = now;
    memory_.remember(now);
}

int AdapterTracker::portInUse(int chosenPort)
{
    const int adapter = adapterPort(chosenPort);
    return adapter != 0 ? adapter : chosenPort;
}

int AdapterTracker::adapterPort(int chosenPort)
{
    const std::lock_guard hold(lock_);
    const std::optional<KeptAdapter> kept = keptFor(chosenPort);
    return kept ? kept->adapter.portNumber : 0;
}

std::vector<int> AdapterTracker::question()
{
    const std::lock_guard hold(lock_);
    return candidates_;
}

}  // namespace orvanta
