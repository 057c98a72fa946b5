/*
 * What is worth an entry in the Application event log, where IT
 * departments collect what goes wrong on a fleet of PCs: a series started
 * or stopped, a port lost and back, a failed transfer, no window for a
 * long time, a collector that stopped answering and answers again, the
 * journal failing and recovered, a batch delivered, a series the watchdog
 * had to start again, a port let go because its driver hung, an
 * unattended run that found its port in use by another Orvanta, and the
 * collector's adapter found under another COM number or not told apart. Decided
 * without Windows; the messages are in src/res/events.mc under the same
 * ids.
 */
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "journal/journal_recorder.h"
#include "protocol/series_state.h"

namespace orvanta {

namespace EventId {
inline constexpr std::uint32_t SeriesStarted = 100, SeriesStopped = 101, PortLost = 102, PortBack = 103,
                               TransferFailed = 104, NoWindow = 105, JournalFailing = 106, JournalRecovered = 107,
                               BatchDelivered = 108, StartedAgain = 109, NoAnswer = 110, AnswersAgain = 111,
                               PortLetGo = 112, PortInUse = 113, AdapterMoved = 114, AdapterAmbiguous = 115;
}  // namespace EventId

enum class EventLevel { Information, Warning, Error };

struct EventReport {
    std::uint32_t id = 0;
    EventLevel level = EventLevel::Information;
    std::vector<std::string> strings;   // %1, %2, ... of the message

    bool operator==(const EventReport&) const = default;
};

// A report about no window comes after this long without one.
constexpr std::uint32_t kNoWindowReportMinutes = 10;

// The events of one change of a keep-online series' state; `since` is the
// local time (HH:MM) a report of no answer gives.
std::vector<EventReport> eventsOfChange(const SeriesReport& before, const SeriesReport& now,
                                        const std::string& since = {});
EventReport batchDelivered(std::uint32_t records, int comPort);
// The journal: rows that wait in a pending file of `folder` while their
// day's file is held elsewhere, rows not written at all, or written as
// usual again.
EventReport journalChanged(JournalHealth health, const std::string& folder, const std::string& pendingFile);
// What the tray's balloon says of the same change.
std::string journalNotice(JournalHealth health, const std::string& pendingFile);
EventReport portLetGo(int comPort, std::uint32_t letGo);
EventReport portInUse(int comPort);
// The collector's adapter found under another number; several ports that
// could be it.
EventReport adapterMoved(int fromPort, int toPort);
EventReport adapterAmbiguous(const std::vector<int>& candidates);

// Watches how long no window could take records, from the series' state
// and the time of each look: one report per such spell, once it has
// lasted kNoWindowReportMinutes.
class NoWindowWatch {
public:
    std::optional<EventReport> look(const SeriesReport& now, std::uint32_t nowMs);

private:
    std::optional<std::uint32_t> sinceMs_;
    bool reported_ = false;
};

}  // namespace orvanta
