/*
 * The tray icon record and the calls that show it.
 *
 * Shell_NotifyIconA(NIM_ADD) fails while the notification area does not
 * exist, and also when the shell is too busy to answer in time, in which
 * case it may have taken the icon all the same: a refused add is checked
 * with NIM_MODIFY, which succeeds only for an icon the shell has.
 */
#include "app/tray_icon_win32.h"

namespace orvanta {

void Win32NotificationArea::attach(HWND window, HINSTANCE instance)
{
    record_ = NOTIFYICONDATAA{};
    record_.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record_.hWnd = window;
    record_.uID = 0;
    record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record_.uCallbackMessage = kTrayMessage;
    record_.hIcon = static_cast<HICON>(LoadImageA(instance, "Orvanta", IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    lstrcpynA(record_.szTip, "Orvanta V1.01", sizeof record_.szTip);
}

bool Win32NotificationArea::addIcon()
{
    return Shell_NotifyIconA(NIM_ADD, &record_) || Shell_NotifyIconA(NIM_MODIFY, &record_);
}

void Win32NotificationArea::removeIcon()
{
    Shell_NotifyIconA(NIM_DELETE, &record_);
}

void Win32NotificationArea::armRetry(std::uint32_t ms)
{
    SetTimer(record_.hWnd, kTrayRetryTimerId, ms, nullptr);
}

void Win32NotificationArea::stopRetry()
{
    KillTimer(record_.hWnd, kTrayRetryTimerId);
}

}  // namespace orvanta
