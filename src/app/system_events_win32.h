/*
 * Registration for what a program that runs for weeks must hear of: COM
 * ports that arrive, the PC going to sleep and resuming, and the session
 * being locked, unlocked, disconnected and reconnected. The notifications
 * come to the hidden main window.
 */
#pragma once

#include <windows.h>

namespace orvanta {

class SystemEvents {
public:
    // Calls newer than Windows 7, and the session notifications' DLL, are
    // looked up at run time; what cannot be had is left out.
    void registerFor(HWND window);
    void unregister();

private:
    HWND window_ = nullptr;
    HDEVNOTIFY portArrivals_ = nullptr;
    void* suspendResume_ = nullptr;
    HMODULE sessionLibrary_ = nullptr;
    bool sessionRegistered_ = false;
};

}  // namespace orvanta
