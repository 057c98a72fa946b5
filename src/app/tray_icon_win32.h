/*
 * The notification area on Windows: Shell_NotifyIconA with the icon's
 * one record, and a window timer on the hidden main window for retries.
 */
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "app/tray_icon.h"

namespace orvanta {

constexpr UINT kTrayMessage = 100;
constexpr UINT_PTR kTrayRetryTimerId = 651;

class Win32NotificationArea final : public NotificationArea {
public:
    // The window the icon reports to, and where the icon resource is.
    void attach(HWND window, HINSTANCE instance);

    bool addIcon() override;
    void removeIcon() override;
    void armRetry(std::uint32_t ms) override;
    void stopRetry() override;
    void setLook(const char* tip, bool alert) override;
    void showBalloon(const char* text, bool alert) override;

private:
    NOTIFYICONDATAA record_{};
    HICON icon_ = nullptr;
    HICON alertIcon_ = nullptr;
};

}  // namespace orvanta
