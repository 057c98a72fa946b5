/*
 * Keeping the tray icon there.
 */
#include "app/tray_icon.h"

#include <cstdio>

#include "protocol/status.h"

namespace orvanta {

void TrayIcon::show()
{
    wanted_ = true;
    tryToAdd();
}

void TrayIcon::remove()
{
    wanted_ = false;
    area_.stopRetry();
    area_.removeIcon();
    added_ = false;
}

void TrayIcon::onRetryTimer()
{
    if (wanted_ && !added_)
        tryToAdd();
    else
        area_.stopRetry();
}

void TrayIcon::onTaskbarCreated()
{
    added_ = false;
    if (wanted_)
        tryToAdd();
}

void seriesStateLine(const SeriesReport& r, const char* since, char (&line)[kTrayTipSize])
{
    switch (r.state) {
    case SeriesState::Idle: line[0] = 0; return;
    case SeriesState::Collecting:
        std::snprintf(line, sizeof line, "Collecting: polling COM%d every %d s", r.comPort, r.pollingSeconds);
        return;
    case SeriesState::WaitingForPort:
        if (r.result != StatusCode::Ok)
            std::snprintf(line, sizeof line, "Waiting for COM%d: %s", r.comPort, statusText(r.result));
        else
            std::snprintf(line, sizeof line, "Waiting for COM%d", r.comPort);
        return;
    case SeriesState::NoRecordWindow:
        std::snprintf(line, sizeof line, "Paused: no window to type the records into");
        return;
    case SeriesState::NoAnswer:
        std::snprintf(line, sizeof line, "No answer from the collector since %s", since);
        return;
    case SeriesState::StartedAgain:
        std::snprintf(line, sizeof line, "Started again: it had stopped by itself");
        return;
    case SeriesState::TransferFailed:
        std::snprintf(line, sizeof line, "%s Next poll in %d s", statusText(r.result), r.pollingSeconds);
        return;
    }
}

void TrayIcon::seriesChanged(const SeriesReport& report, const char* since)
{
    char line[kTrayTipSize];
    seriesStateLine(report, since, line);
    char tip[kTrayTipSize];
    std::snprintf(tip, sizeof tip, line[0] ? "%s\n%s" : "%s", kTrayTitle, line);
    const bool collecting = report.state == SeriesState::Collecting || report.state == SeriesState::Idle;
    area_.setLook(tip, !collecting);
    // A series starts out collecting: one that cannot begin says so too.
    const Collecting before = collecting_ == Collecting::Unknown ? Collecting::Yes : collecting_;
    collecting_ = report.state == SeriesState::Idle ? Collecting::Unknown
                                                     : (collecting ? Collecting::Yes : Collecting::No);
    if (!added_ || collecting_ == Collecting::Unknown || before == collecting_)
        return;
    char balloon[2 * kTrayTipSize];
    std::snprintf(balloon, sizeof balloon, collecting ? "Collecting again.\n%s" : "Collecting has stopped.\n%s",
                  line);
    area_.showBalloon(balloon, !collecting);
}

void TrayIcon::tryToAdd()
{
    added_ = area_.addIcon();
    if (added_)
        area_.stopRetry();
    else
        area_.armRetry(kTrayRetryMs);
}

}  // namespace orvanta
