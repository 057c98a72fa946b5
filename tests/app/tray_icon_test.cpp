#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_platform.h"

namespace orvanta {
namespace {

using fakes::Event;
using fakes::EventLog;

struct TrayCase {
    const char* name;
    int refusals;
    const char* actions;   // s show, r retry timer, t taskbar created, x remove
    EventLog expected;
};

const Event added{"icon add", 1}, refused{"icon add", 0}, retry{"retry", kTrayRetryMs}, stop{"retry stop"},
    removed{"icon remove"};

// The icon is the only way back to a hidden dialog: it is added until the
// shell takes it, and again whenever the shell starts anew, for as long as
// the program wants it.
TEST(TrayIcon, IsAddedUntilTheShellHasItForAsLongAsItIsWanted)
{
    const TrayCase cases[] = {
        {"added at once", 0, "s", {added, stop}},
        {"refused at logon, taken later", 2, "srr", {refused, retry, refused, retry, added, stop}},
        {"Explorer restarted", 0, "st", {added, stop, added, stop}},
        {"removed while refused: no more tries", 1, "sxrt", {refused, retry, stop, removed, stop}},
        {"a late retry timer after the icon was taken", 0, "sr", {added, stop, stop}},
    };
    for (const TrayCase& c : cases) {
        EventLog log;
        fakes::FakeNotificationArea area(log);
        area.refusals = c.refusals;
        TrayIcon icon(area);
        for (const char* action = c.actions; *action; ++action) {
            switch (*action) {
            case 's': icon.show(); break;
            case 'r': icon.onRetryTimer(); break;
            case 't': icon.onTaskbarCreated(); break;
            case 'x': icon.remove(); break;
            }
        }
        EXPECT_EQ(log, c.expected) << c.name;
    }
}

struct SeriesTrayCase {
    const char* name;
    std::vector<SeriesReport> reports;
    EventLog expected;
};

const SeriesReport collecting{SeriesState::Collecting, StatusCode::Ok, 5, 10},
                   portGone{SeriesState::WaitingForPort, StatusCode::PortWriteFailed, 5, 10},
                   paused{SeriesState::NoRecordWindow, StatusCode::NoRecordWindow, 5, 10},
                   timedOut{SeriesState::TransferFailed, StatusCode::ReceiveTimeout, 5, 10},
                   noAnswer{SeriesState::NoAnswer, StatusCode::Ok, 5, 10}, idle{};
// The tip: the program's title with its version, and the state line.
Event look(bool alert, const std::string& line = "")
{
    return {"icon look", alert ? 1u : 0u, std::string(kTrayTitle) + (line.empty() ? "" : "\n" + line)};
}
const Event collectingLook = look(false, "Collecting: polling COM5 every 10 s"),
            portGoneLook = look(true, "Waiting for COM5: Failed to write the COM port!"),
            pausedLook = look(true, "Paused: no window to type the records into"),
            timedOutLook = look(true, "Receive Time out !! Next poll in 10 s"), idleLook = look(false);

// A keep-online series on a PC nobody watches tells its state on the icon
// instead of a message box; a balloon says once that collecting stopped
// and once that it resumed.
TEST(TrayIcon, ShowsWhereAKeepOnlineSeriesStands)
{
    const SeriesTrayCase cases[] = {
        {"collecting, poll after poll", {collecting}, {collectingLook}},
        {"the port goes and comes back", {collecting, portGone, collecting},
         {collectingLook, portGoneLook,
          {"balloon", 1, "Collecting has stopped.\nWaiting for COM5: Failed to write the COM port!"},
          collectingLook, {"balloon", 0, "Collecting again.\nCollecting: polling COM5 every 10 s"}}},
        {"one balloon for a stop, whatever follows", {collecting, timedOut, paused},
         {collectingLook, timedOutLook,
          {"balloon", 1, "Collecting has stopped.\nReceive Time out !! Next poll in 10 s"}, pausedLook}},
        {"a series that cannot begin says so", {paused},
         {pausedLook, {"balloon", 1, "Collecting has stopped.\nPaused: no window to type the records into"}}},
        {"a collector that stopped answering, and its next answer", {collecting, noAnswer, collecting},
         {collectingLook, look(true, "No answer from the collector since 14:05"),
          {"balloon", 1, "Collecting has stopped.\nNo answer from the collector since 14:05"}, collectingLook,
          {"balloon", 0, "Collecting again.\nCollecting: polling COM5 every 10 s"}}},
        {"Stop: back to the plain tip, no balloon", {portGone, idle, collecting},
         {portGoneLook, {"balloon", 1, "Collecting has stopped.\nWaiting for COM5: Failed to write the COM port!"},
          idleLook, collectingLook}},
    };
    for (const SeriesTrayCase& c : cases) {
        EventLog log;
        fakes::FakeNotificationArea area(log);
        TrayIcon icon(area);
        icon.show();
        log.clear();
        for (const SeriesReport& report : c.reports)
            icon.seriesChanged(report, "14:05");
        EXPECT_EQ(log, c.expected) << c.name;
    }
}

}  // namespace
}  // namespace orvanta
