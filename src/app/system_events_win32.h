/*
 * Registration for what a program that runs for weeks must hear of: COM
 * ports that arrive, the PC going to sleep and resuming, and the session
 * being locked, unlocked, disconnected and reconnected. The notifications
 * come to the hidden main window.
 */
#pragma once

#include <windows.h>

#include <optional>

#include "app/system_events.h"

namespace orvanta {

// The window's timer for retrying the session registration.
constexpr UINT_PTR kSessionRetryTimerId = 652;

class SystemEvents {
public:
    // Calls newer than Windows 7, and the session notifications' DLL, are
    // looked up at run time; what cannot be had is left out.
    void registerFor(HWND window);
    void unregister();

    // The session registration fails while the session service has not
    // started yet (at logon): until it works, the window tries again every
    // kSessionRegistrationRetryMs. True once registered.
    bool sessionsRegistered() const { return sessionRegistered_; }
    bool retrySessionRegistration();
    // How the program's session stands now; nothing when it cannot be asked.
    std::optional<SessionSnapshot> readSessionState() const;

private:
    void registerSessions();

    HWND window_ = nullptr;
    HDEVNOTIFY portArrivals_ = nullptr;
    void* suspendResume_ = nullptr;
    HMODULE sessionLibrary_ = nullptr;
    bool sessionRegistered_ = false;
};

}  // namespace orvanta
