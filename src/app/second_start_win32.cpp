/*
 * A start while Orvanta already runs in the session. The program with the
 * tray icon is one per session: a second start brings its settings dialog
 * to the front, as the tray menu's Open does, and ends. A command line
 * runs beside it where the two cannot meet on a port: an unattended run
 * (no dialog, no icon) always tries, and its port's claim decides; a
 * keep-online command line runs only when no Orvanta holds its port.
 */
#include "app/app_win32.h"

#include "res/resource.h"
#include "serial/port_claim_win32.h"

namespace orvanta {
namespace {

constexpr wchar_t kSessionName[] = L"Local\\Orvanta.Program";

// A second start that only opens the running program's dialog leaves the
// settings file as it is: a command line would save its fields and clear
// the code lists the running program keeps.
struct NothingSaved final : SettingsFileWriter {
    void writeSettingsFile(const std::uint8_t*, std::size_t) override {}
};

bool portHeldElsewhere(int comPort)
{
    Win32PortClaim probe;
    return !probe.claim(comPort);
}

}  // namespace

bool goesOnBesideOthers(App& app, const char* commandLine)
{
    Settings asked = app.program.settings;
    bool given = false;
    NothingSaved nowhere;
    applyCommandLine(asked, commandLine, given, nowhere);
    if (given && !asked.keepOnline)
        return true;   // never the session's: a later start must find the program with the dialog
    if (app.sessionClaim.claim(kSessionName) || (given && !portHeldElsewhere(asked.comPort)))
        return true;
    openOtherPrograms(app.mainWindow);
    return false;
}

// The running program is not the foreground process and may not take the
// front by itself; the start the user just made may, and lets it. Every
// hidden window of Orvanta hears it: an unattended run's has no dialog to
// show and does nothing.
void openOtherPrograms(HWND own)
{
    for (HWND other = nullptr; (other = FindWindowExA(nullptr, other, kWindowClass, nullptr)) != nullptr;) {
        if (other == own)
            continue;
        DWORD process = 0;
        GetWindowThreadProcessId(other, &process);
        AllowSetForegroundWindow(process);
        PostMessageA(other, WM_COMMAND, IDM_TRAY_OPEN, 0);
    }
}

}  // namespace orvanta
