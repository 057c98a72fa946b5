#include <gtest/gtest.h>

#include "app/series_events.h"

namespace orvanta {
namespace {

SeriesReport at(SeriesState state, StatusCode result = StatusCode::Ok)
{
    return {state, result, 5, 10};
}

// What goes to the event log at each change of a series' state: a start,
// a stop, a loss of the port and its return, a failed transfer, the
// watchdog's restart, a collector that stopped answering and answers
// again; nothing at the polls of a healthy series.
TEST(SeriesEvents, EachChangeWorthTellingIsOneEntry)
{
    const SeriesReport idle = at(SeriesState::Idle), collecting = at(SeriesState::Collecting),
                       lost = at(SeriesState::WaitingForPort, StatusCode::PortWriteFailed),
                       asleep = at(SeriesState::WaitingForPort), failed = at(SeriesState::TransferFailed,
                                                                                 StatusCode::ReceiveTimeout);
    const struct {
        SeriesReport before, now;
        std::vector<EventReport> events;
    } rows[] = {
        {idle, collecting, {{EventId::SeriesStarted, EventLevel::Information, {"COM5", "10"}}}},
        {collecting, idle, {{EventId::SeriesStopped, EventLevel::Information, {"COM5"}}}},
        {idle, idle, {}},
        {collecting, collecting, {}},
        {collecting, lost, {{EventId::PortLost, EventLevel::Warning, {"COM5", "Failed to write the COM port!"}}}},
        {lost, lost, {}},
        {lost, collecting, {{EventId::PortBack, EventLevel::Information, {"COM5"}}}},
        {collecting, asleep, {}},
        {asleep, collecting, {}},
        {collecting, failed, {{EventId::TransferFailed, EventLevel::Warning, {"COM5", "Receive Time out !!"}}}},
        {collecting, at(SeriesState::StartedAgain), {{EventId::StartedAgain, EventLevel::Warning, {"COM5"}}}},
        {collecting, at(SeriesState::NoAnswer), {{EventId::NoAnswer, EventLevel::Warning, {"COM5", "14:05"}}}},
        {at(SeriesState::NoAnswer), at(SeriesState::NoAnswer), {}},
        {at(SeriesState::NoAnswer), collecting, {{EventId::AnswersAgain, EventLevel::Information, {"COM5"}}}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(eventsOfChange(row.before, row.now, "14:05"), row.events)
            << static_cast<int>(row.before.state) << " -> " << static_cast<int>(row.now.state);
}

// The collector's adapter: where it went, and the ports to choose from.
TEST(SeriesEvents, TheAdapterEntriesNameItsPorts)
{
    EXPECT_EQ(adapterMoved(1, 9), (EventReport{EventId::AdapterMoved, EventLevel::Information, {"COM1", "COM9"}}));
    EXPECT_EQ(adapterAmbiguous({2, 3, 7}).strings, std::vector<std::string>{"COM2, COM3 and COM7"});
}

// One report per spell without a window, once it has lasted ten minutes.
TEST(SeriesEvents, NoWindowIsReportedOncePerSpellAfterTenMinutes)
{
    const SeriesReport paused = at(SeriesState::NoRecordWindow), collecting = at(SeriesState::Collecting);
    NoWindowWatch watch;
    const std::uint32_t minute = 60000;
    EXPECT_FALSE(watch.look(paused, 1000));
    EXPECT_FALSE(watch.look(paused, 1000 + 10 * minute - 1));
    const auto report = watch.look(paused, 1000 + 10 * minute);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->id, EventId::NoWindow);
    EXPECT_FALSE(watch.look(paused, 1000 + 30 * minute)) << "once per spell";
    EXPECT_FALSE(watch.look(collecting, 1000 + 31 * minute));
    EXPECT_FALSE(watch.look(paused, 1000 + 32 * minute)) << "a new spell starts its own ten minutes";
    EXPECT_TRUE(watch.look(paused, 1000 + 42 * minute));
}

}  // namespace
}  // namespace orvanta
