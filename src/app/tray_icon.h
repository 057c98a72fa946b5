/*
 * The notification-area icon. Once Start has hidden the settings dialog,
 * which has no taskbar button, the icon is the only way back to it and to
 * Exit. The shell can refuse the icon (at logon the notification area may
 * not exist yet) or lose it (Explorer restarted), so the icon is added
 * again until the shell has it, for as long as the program wants it.
 */
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/series_state.h"
#include "version.h"

namespace orvanta {

class NotificationArea {
public:
    virtual ~NotificationArea() = default;
    // True when the shell has the icon.
    [[nodiscard]] virtual bool addIcon() = 0;
    virtual void removeIcon() = 0;
    virtual void armRetry(std::uint32_t ms) = 0;
    virtual void stopRetry() = 0;
    // The tip and which icon, for the icon there and for the next add.
    virtual void setLook(const char* tip, bool alert) = 0;
    // A balloon over the icon; the shell shows it once.
    virtual void showBalloon(const char* text, bool alert) = 0;
};

constexpr std::uint32_t kTrayRetryMs = 2000;
constexpr std::size_t kTrayTipSize = 128;
// The build's one version, as the dialog and the file's version resource
// give it.
constexpr char kTrayTitle[] = "Orvanta V" ORVANTA_VERSION_TEXT;

// The state line a keep-online series adds under the tip's title; empty
// when idle. `since` is the local time (HH:MM) a report of no answer gives.
void seriesStateLine(const SeriesReport& report, const char* since, char (&line)[kTrayTipSize]);

// Also shows where a keep-online series stands: the tip's second line, a
// different icon while it is not collecting, and a balloon when collecting
// stops and when it resumes, never at every poll.
class TrayIcon final {
public:
    explicit TrayIcon(NotificationArea& area) : area_(area) {}

    void show();
    void remove();
    void onRetryTimer();
    // The shell has started anew and knows no icon of any program.
    void onTaskbarCreated();
    void seriesChanged(const SeriesReport& report, const char* since = "");

private:
    enum class Collecting { Unknown, Yes, No };
    void tryToAdd();

    NotificationArea& area_;
    bool wanted_ = false;
    bool added_ = false;
    Collecting collecting_ = Collecting::Unknown;
};

}  // namespace orvanta
