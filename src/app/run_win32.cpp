/*
 * Start-up and the two run modes. A command line without keep-online runs
 * one transfer with no window, icon or message and ends the process, with
 * an exit code that tells a batch file how it ended; any other start is
 * interactive. Either way the thread's messages run the engine: the
 * settings dialog's loop, or the unattended run's own.
 */
#include "app/app_win32.h"
#include "res/resource.h"
#include "ui/settings_dialog_win32.h"

namespace orvanta {
namespace {

// How long the end waits for a record's ACK that is owed.
constexpr DWORD kSettleWaitMs = 1000;

// Only the dialog's Close ends it with 2; a dialog that cannot be created
// at all (-1) ends the run as well instead of being retried forever, and so
// do the program's end and the hidden window's.
int runInteractive(App& app)
{
    initDialogControls();
    app.trayIcon.show();
    INT_PTR result;
    do {
        result = runSettingsDialog(app);
    } while (!app.ending && result != IDC_CLOSE && result != -1 && IsWindow(app.mainWindow));
    return 1;
}

int runMode(App& app)
{
    if (!app.program.commandLineMode || app.program.settings.keepOnline)
        return runInteractive(app);
    return runUnattended(app);
}

// Runs the thread's messages until the engine has nothing open or owed,
// or the time is up.
void awaitSettled(App& app, DWORD waitMs)
{
    const ULONGLONG giveUpAt = GetTickCount64() + waitMs;
    MSG message;
    while (!app.program.engine.settled() && GetTickCount64() < giveUpAt) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return;
            DispatchMessageA(&message);
        }
    }
}

}  // namespace

int runOrvanta(HINSTANCE instance, const char* commandLine)
{
    App& app = theApp();
    app.instance = instance;
    if (!registerMainWindowClass(instance))
        return 0;
    app.mainWindow = createMainWindow(instance);
    if (!app.mainWindow)
        return 0;
    app.wakeWindow = app.mainWindow;
    if (!goesOnBesideOthers(app, commandLine)) {
        app.journal.finish();   // the journal's start-up work, which every start does
        DestroyWindow(app.mainWindow);
        return 1;
    }
    applyCommandLine(app.program.settings, commandLine, app.program.commandLineMode, app.settingsStore);
    const int exitCode = runMode(app);
    awaitSettled(app, kSettleWaitMs);   // a record's ACK owed at the end
    app.journal.finish();
    noteJournal(app);   // the last rows' fate, in the event log too
    DestroyWindow(app.mainWindow);
    return exitCode;
}

// The run ends when its transfer has, when its window is closed from
// outside, or when the session's question stops it. A port that another
// Orvanta holds ends it at once, and the session's program with the tray
// icon shows its dialog, as to a second start.
int runUnattended(App& app)
{
    app.reports.unattended = true;
    app.driver.feed(events::Started{});
    MSG message;
    while (!app.reports.ended && !app.ending && IsWindow(app.mainWindow) && app.program.engine.busy()) {
        if (GetMessageA(&message, nullptr, 0, 0) <= 0)
            break;
        DispatchMessageA(&message);
    }
    app.driver.feed(events::Stopped{});
    if (app.reports.result == StatusCode::PortInUse)
        openOtherPrograms(app.mainWindow);
    return unattendedExitCode(app.reports.result);
}

}  // namespace orvanta
