/*
 * Keeping the tray icon there.
 */
#include "app/tray_icon.h"

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

void TrayIcon::tryToAdd()
{
    added_ = area_.addIcon();
    if (added_)
        area_.stopRetry();
    else
        area_.armRetry(kTrayRetryMs);
}

}  // namespace orvanta
