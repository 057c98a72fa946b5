/*
 * The hidden main window: it loads the settings when it is created, it is
 * the window the tray icon reports to, and it carries out the tray menu's
 * Open, Recent records and Exit. It is never shown. It runs the engine:
 * the workers' events wake it, and it hears what the system says about
 * sleep, arriving ports, the session and its end, and passes it on.
 */
#include "app/app_win32.h"

#include <dbt.h>

#include <cstdio>
#include <cstring>

#include "res/resource.h"
#include "ui/settings_dialog_win32.h"
#include "ui/status_box.h"

namespace orvanta {
namespace {

constexpr UINT_PTR kWatchdogTimerId = 653;
// How long the end of the session waits for the port's worker to close it.
constexpr std::uint32_t kPortCloseWaitMs = 500;

// Notifications tell of changes only: a program started in a locked
// session, or registered late, asks how the session stands.
void readSessionState(App& app)
{
    if (const auto state = app.systemEvents.readSessionState())
        app.session.apply(*state);
    app.keyboard.setSessionTakesInput(app.session.takesInput());
}

// An elevated program does not get the shell's broadcasts unless it lets
// them in; without "TaskbarCreated" its icon would stay gone after Explorer
// restarts.
void OnCreate(App& app, HWND window, const CREATESTRUCTA& creation)
{
    std::memset(&app.program.settings, 0, sizeof app.program.settings);
    loadSettings(app.program.settings, app.settingsStore);
    loadRegistrySettings(app.program.settings, app.registry);
    app.cursor = POINT{};
    app.program.platformMajorVersion = platformMajorVersion();
    app.notificationArea.attach(window, creation.hInstance);
    app.taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    if (app.taskbarCreated)
        ChangeWindowMessageFilter(app.taskbarCreated, MSGFLT_ADD);
    app.eventLog.open();
    app.reports.window = window;
    app.systemEvents.registerFor(window);
    readSessionState(app);
    if (!app.systemEvents.sessionsRegistered())
        SetTimer(window, kSessionRetryTimerId, kSessionRegistrationRetryMs, nullptr);
    SetTimer(window, kWatchdogTimerId, kWatchdogPeriodMs, nullptr);
}

void OnDestroy(App& app, HWND window)
{
    KillTimer(window, kSessionRetryTimerId);
    app.systemEvents.unregister();
    app.eventLog.close();
    PostQuitMessage(0);
}

void OnEngineWake(App& app)
{
    app.inbox.deliverTo(app.driver);
    if (app.ending && app.program.engine.settled())
        finishEnding(app);
}

// Shown after the engine's actions are carried out, so that the box's own
// loop runs the engine's events instead of holding them.
void OnShowFailure(App& app, WPARAM result)
{
    showStatus(app.messageBoxes, reinterpret_cast<WindowId>(app.dialog), static_cast<StatusCode>(result));
    if (app.dialog && IsWindow(app.dialog) && !app.ending)
        fillDialog(app.dialog);
}

void OnPowerBroadcast(App& app, WPARAM event)
{
    if (event == PBT_APMSUSPEND)
        app.driver.feed(events::Suspending{});
    else if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND)
        app.driver.feed(events::Resumed{});
}

// A port announced by name, or a device of the COM port interface class,
// whose port number the announcement does not give.
void OnDeviceChange(App& app, WPARAM event, LPARAM data)
{
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (event != DBT_DEVICEARRIVAL || !header)
        return;
    if (header->dbch_devicetype == DBT_DEVTYP_PORT) {
        const int port = comPortNumberOf(reinterpret_cast<const DEV_BROADCAST_PORT_A*>(header)->dbcp_name);
        if (port > 0)
            app.driver.feed(events::PortArrived{port});
    } else if (header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
        app.driver.feed(events::PortArrived{0});
    }
}

void OnSessionChange(App& app, WPARAM event)
{
    app.session.onEvent(static_cast<std::uint32_t>(event));
    app.keyboard.setSessionTakesInput(app.session.takesInput());
}

// Applications are asked whether the session may end, and those that
// agree close: the record being typed stops at its next key before the
// answer, and nothing more is typed.
LRESULT OnQueryEndSession(App& app)
{
    app.reports.sessionEnding = true;
    stopTypingAgainCountdown(app, app.mainWindow);
    app.driver.feed(events::SessionQuery{});
    return TRUE;
}

// The process may be ended any time after this returns: the port is
// closed now. When it is not (the Restart Manager closes programs one by
// one, for an installer), the program ends by itself.
void OnEndSession(App& app, WPARAM ending)
{
    if (!ending) {
        app.reports.sessionEnding = false;
        return app.driver.feed(events::SessionGoesOn{});
    }
    app.driver.feed(events::SessionEnded{});
    app.ports.awaitClosed(kPortCloseWaitMs);
    endProgram(app);
}

// Windows says so when it has applied a Group Policy, which may have set
// the machine's choices anew: the records given from now on follow them,
// those of a keep-online series that runs for days as well.
void OnSettingChange(App& app, LPARAM area)
{
    const char* changed = reinterpret_cast<const char*>(area);
    if (changed && lstrcmpiA(changed, "Policy") == 0)
        loadRegistrySettings(app.program.settings, app.registry);
}

// The menu's bottom-right corner goes to the pointer; the window must be in
// the foreground so that a click elsewhere closes the menu, and it gets a
// message after the menu so that a second right-click opens it again at
// once. The chosen item arrives as WM_COMMAND afterwards, so the menu can
// go at once.
void showTrayMenu(App& app, HWND window)
{
    HMENU menu = LoadMenuA(app.instance, "NOTIFYICONPOPMENU");
    GetCursorPos(&app.cursor);
    SetForegroundWindow(window);
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_BOTTOMALIGN | TPM_RIGHTALIGN, app.cursor.x, app.cursor.y, 0, window,
                   nullptr);
    PostMessageA(window, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

// A port request that did not end when cancelled, or a worker that never
// ended, leaves its handle behind; the user and IT hear of it once for each.
void noteLetGo(App& app)
{
    const std::uint32_t letGo = comPortsLetGo() + app.ports.givenUp();
    if (letGo == app.givenUpShown)
        return;
    app.givenUpShown = letGo;
    app.eventLog.report(portLetGo(app.program.settings.comPort, letGo), GetTickCount64());
    app.notificationArea.showBalloon("The COM port stopped answering; it was let go and is opened anew.", true);
}


void OnSessionRetryTimer(App& app, HWND window)
{
    if (!app.systemEvents.retrySessionRegistration())
        return;
    KillTimer(window, kSessionRetryTimerId);
    readSessionState(app);
}

// The inbox is looked at here as well: should a wake have been lost (a
// full message queue), the engine's events still come.
void OnWatchdogTimer(App& app)
{
    app.inbox.deliverTo(app.driver);
    app.driver.feed(events::WatchdogLook{});
    if (const auto noWindow = app.reports.noWindow.look(app.reports.last, app.clock.tickCount()))
        app.eventLog.report(*noWindow, GetTickCount64());
    noteLetGo(app);
    noteJournal(app);
}

void OnTimer(App& app, HWND window, WPARAM timerId)
{
    switch (timerId) {
    case kTrayRetryTimerId: return app.trayIcon.onRetryTimer();
    case kTypeAgainTimerId: return OnTypeAgainTimer(app, window);
    case kSessionRetryTimerId: return OnSessionRetryTimer(app, window);
    case kWatchdogTimerId: return OnWatchdogTimer(app);
    case kEndingTimerId: return finishEnding(app);
    default: return;
    }
}

// A dialog opened during a transfer, or while a keep-online series waits
// for its next poll, shows its settings disabled; one opened after a
// transfer ended in the background shows them usable again. Either shows
// the port the collector's adapter is on now, and a series that waits for
// the user to say which port that is lets the port and Start be used.
void OnOpen(App& app)
{
    if (!app.dialog)
        return;
    revealDialog(app.dialog);
    const bool busy = app.program.engine.busy();
    applyEnableRules(app.dialog, !busy);
    showAdapterPort(app.dialog, busy);
    SetForegroundWindow(app.dialog);
}

void OnTrayIcon(App& app, HWND window, LPARAM mouseMessage)
{
    if (mouseMessage == WM_LBUTTONDBLCLK)
        OnOpen(app);
    else if (mouseMessage == WM_RBUTTONDOWN)
        showTrayMenu(app, window);
}

void OnCommand(App& app, HWND window, WPARAM command)
{
    if (app.ending)
        return;
    if (LOWORD(command) == IDM_TRAY_OPEN)
        OnOpen(app);
    else if (LOWORD(command) == IDM_TRAY_RECENT)
        OnRecentRecords(app, window);
    else if (LOWORD(command) == IDM_TRAY_EXIT)
        endProgram(app);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    App& app = theApp();
    if (message == app.taskbarCreated && message != 0) {
        app.trayIcon.onTaskbarCreated();
        return 0;
    }
    switch (message) {
    case WM_CREATE: OnCreate(app, window, *reinterpret_cast<const CREATESTRUCTA*>(lParam)); return 1;
    case kEngineWake: OnEngineWake(app); return 0;
    case kShowFailure: OnShowFailure(app, wParam); return 0;
    case kJournalChanged: noteJournal(app); return 0;
    case kAskForAdapterPort: OnOpen(app); return 0;
    case WM_TIMER: OnTimer(app, window, wParam); return 0;
    case WM_DESTROY: OnDestroy(app, window); return 0;
    case WM_POWERBROADCAST: OnPowerBroadcast(app, wParam); return TRUE;
    case WM_DEVICECHANGE: OnDeviceChange(app, wParam, lParam); return TRUE;
    case WM_WTSSESSION_CHANGE: OnSessionChange(app, wParam); return 0;
    case WM_QUERYENDSESSION: return OnQueryEndSession(app);
    case WM_ENDSESSION: OnEndSession(app, wParam); return 0;
    case WM_SETTINGCHANGE: OnSettingChange(app, lParam); return 0;
    case WM_CLOSE: endProgram(app); return 0;
    case kTrayMessage: OnTrayIcon(app, window, lParam); return 0;
    case WM_COMMAND: OnCommand(app, window, wParam); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

bool registerMainWindowClass(HINSTANCE instance)
{
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, "Orvanta");
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassA(&windowClass) != 0;
}

HWND createMainWindow(HINSTANCE instance)
{
    return CreateWindowExA(0, kWindowClass, "", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 2, 2,
                           GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                           instance, nullptr);
}

}  // namespace orvanta
