/*
 * The event log's view of a series: which changes are worth an entry.
 * Collecting again after a port was lost is "back"; after anything else it
 * is nothing worth telling, as every poll of a healthy series would be.
 */
#include "app/series_events.h"

#include "platform/port_inventory.h"

namespace orvanta {
namespace {

std::string portName(int comPort)
{
    return "COM" + std::to_string(comPort);
}

bool portWasLost(const SeriesReport& report)
{
    return report.state == SeriesState::WaitingForPort && report.result != StatusCode::Ok;
}

}  // namespace

std::vector<EventReport> eventsOfChange(const SeriesReport& before, const SeriesReport& now, const std::string& since)
{
    const std::string port = portName(now.comPort);
    if (before.state == SeriesState::Idle && now.state != SeriesState::Idle)
        return {{EventId::SeriesStarted, EventLevel::Information, {port, std::to_string(now.pollingSeconds)}}};
    if (now.state == SeriesState::Idle && before.state != SeriesState::Idle)
        return {{EventId::SeriesStopped, EventLevel::Information, {port}}};
    if (now.state == SeriesState::Idle)
        return {};
    if (portWasLost(now) && !portWasLost(before))
        return {{EventId::PortLost, EventLevel::Warning, {port, statusText(now.result)}}};
    if (now.state == SeriesState::Collecting && portWasLost(before))
        return {{EventId::PortBack, EventLevel::Information, {port}}};
    if (now.state == SeriesState::TransferFailed && before.state != SeriesState::TransferFailed)
        return {{EventId::TransferFailed, EventLevel::Warning, {port, statusText(now.result)}}};
    if (now.state == SeriesState::StartedAgain)
        return {{EventId::StartedAgain, EventLevel::Warning, {port}}};
    if (now.state == SeriesState::NoAnswer && before.state != SeriesState::NoAnswer)
        return {{EventId::NoAnswer, EventLevel::Warning, {port, since}}};
    if (before.state == SeriesState::NoAnswer && now.state == SeriesState::Collecting)
        return {{EventId::AnswersAgain, EventLevel::Information, {port}}};
    return {};
}

EventReport batchDelivered(std::uint32_t records, int comPort)
{
    return {EventId::BatchDelivered, EventLevel::Information, {std::to_string(records), portName(comPort)}};
}

namespace {

std::string dayFileOf(const std::string& pendingFile)
{
    const auto file = journalFileOf(pendingFile);
    return file ? journalFileName(file->day) : pendingFile;
}

}  // namespace

EventReport journalChanged(JournalHealth health, const std::string& folder, const std::string& pendingFile)
{
    switch (health) {
    case JournalHealth::Pending:
        return {EventId::JournalFailing, EventLevel::Warning,
                {dayFileOf(pendingFile) + " is open in another program; its rows go to " + folder + "\\"
                 + pendingFile + " and move into it once it is closed."}};
    case JournalHealth::Failing:
        return {EventId::JournalFailing, EventLevel::Error,
                {"the disk or the journal's folder does not take its rows."}};
    default: return {EventId::JournalRecovered, EventLevel::Information, {}};
    }
}

std::string journalNotice(JournalHealth health, const std::string& pendingFile)
{
    switch (health) {
    case JournalHealth::Pending:
        return dayFileOf(pendingFile) + " is open in another program: the journal's rows go to \"" + pendingFile
               + "\" until it is closed.";
    case JournalHealth::Failing: return "The journal of records cannot be written; records are still typed.";
    default: return "The journal of records is written again.";
    }
}

EventReport portLetGo(int comPort, std::uint32_t letGo)
{
    return {EventId::PortLetGo, EventLevel::Error, {portName(comPort), std::to_string(letGo)}};
}

EventReport portInUse(int comPort)
{
    return {EventId::PortInUse, EventLevel::Warning, {portName(comPort)}};
}

EventReport adapterMoved(int fromPort, int toPort)
{
    return {EventId::AdapterMoved, EventLevel::Information, {portName(fromPort), portName(toPort)}};
}

EventReport adapterAmbiguous(const std::vector<int>& candidates)
{
    return {EventId::AdapterAmbiguous, EventLevel::Warning, {portList(candidates)}};
}

std::optional<EventReport> NoWindowWatch::look(const SeriesReport& now, std::uint32_t nowMs)
{
    if (now.state != SeriesState::NoRecordWindow) {
        sinceMs_.reset();
        reported_ = false;
        return std::nullopt;
    }
    if (!sinceMs_)
        sinceMs_ = nowMs;
    if (reported_ || nowMs - *sinceMs_ < kNoWindowReportMinutes * 60000u)
        return std::nullopt;
    reported_ = true;
    return EventReport{EventId::NoWindow, EventLevel::Warning,
                       {std::to_string(kNoWindowReportMinutes), portName(now.comPort)}};
}

}  // namespace orvanta
