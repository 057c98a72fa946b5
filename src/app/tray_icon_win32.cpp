/*
 * The tray icon record and the calls that show it.
 *
 * Shell_NotifyIconA(NIM_ADD) fails while the notification area does not
 * exist, and also when the shell is too busy to answer in time, in which
 * case it may have taken the icon all the same: a refused add is checked
 * with NIM_MODIFY, which succeeds only for an icon the shell has.
 *
 * The record has the size of the current form (Windows 7 and later take
 * it): the balloon and the 128-character tip a keep-online series shows
 * its state with need more than the first form had.
 */
#include "app/tray_icon_win32.h"

namespace orvanta {

void Win32NotificationArea::attach(HWND window, HINSTANCE instance)
{
    record_ = NOTIFYICONDATAA{};
    record_.cbSize = sizeof record_;
    record_.hWnd = window;
    record_.uID = 0;
    record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record_.uCallbackMessage = kTrayMessage;
    icon_ = static_cast<HICON>(LoadImageA(instance, "Orvanta", IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    alertIcon_ = static_cast<HICON>(LoadImageA(nullptr, MAKEINTRESOURCEA(32515), IMAGE_ICON, 16, 16, LR_SHARED));
    record_.hIcon = icon_;
    lstrcpynA(record_.szTip, kTrayTitle, sizeof record_.szTip);
}

void Win32NotificationArea::setLook(const char* tip, bool alert)
{
    lstrcpynA(record_.szTip, tip, sizeof record_.szTip);
    record_.hIcon = alert && alertIcon_ ? alertIcon_ : icon_;
    Shell_NotifyIconA(NIM_MODIFY, &record_);
}

// NIF_INFO only for this one call: every later change would show it again.
void Win32NotificationArea::showBalloon(const char* text, bool alert)
{
    record_.uFlags |= NIF_INFO;
    lstrcpynA(record_.szInfo, text, sizeof record_.szInfo);
    lstrcpynA(record_.szInfoTitle, "Orvanta", sizeof record_.szInfoTitle);
    record_.dwInfoFlags = alert ? NIIF_WARNING : NIIF_INFO;
    Shell_NotifyIconA(NIM_MODIFY, &record_);
    record_.uFlags &= ~NIF_INFO;
    record_.szInfo[0] = 0;
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
