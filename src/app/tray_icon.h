/*
 * The notification-area icon. Once Start has hidden the settings dialog,
 * which has no taskbar button, the icon is the only way back to it and to
 * Exit. The shell can refuse the icon (at logon the notification area may
 * not exist yet) or lose it (Explorer restarted), so the icon is added
 * again until the shell has it, for as long as the program wants it.
 */
#pragma once

#include <cstdint>

#include "ui/tray_control.h"

namespace orvanta {

class NotificationArea {
public:
    virtual ~NotificationArea() = default;
    // True when the shell has the icon.
    [[nodiscard]] virtual bool addIcon() = 0;
    virtual void removeIcon() = 0;
    virtual void armRetry(std::uint32_t ms) = 0;
    virtual void stopRetry() = 0;
};

constexpr std::uint32_t kTrayRetryMs = 2000;

class TrayIcon final : public TrayControl {
public:
    explicit TrayIcon(NotificationArea& area) : area_(area) {}

    void show() override;
    void remove() override;
    void onRetryTimer();
    // The shell has started anew and knows no icon of any program.
    void onTaskbarCreated();

private:
    void tryToAdd();

    NotificationArea& area_;
    bool wanted_ = false;
    bool added_ = false;
};

}  // namespace orvanta
