/*
 * Start-up and the two run modes. A command line without keep-online runs
 * one transfer with no window, icon or message and ends the process, with
 * an exit code that tells a batch file how it ended; any other start is
 * interactive.
 */
#include "app/app_win32.h"
#include "res/resource.h"
#include "ui/settings_dialog_win32.h"

namespace orvanta {
namespace {

// Only the dialog's Close ends it with 2; a dialog that cannot be created
// at all (-1) ends the run as well instead of being retried forever, and so
// does the hidden window's end.
int runInteractive(App& app)
{
    initDialogControls();
    INT_PTR result;
    do {
        result = runSettingsDialog(app);
    } while (result != IDC_CLOSE && result != -1 && IsWindow(app.mainWindow));
    return 1;
}

int runMode(App& app)
{
    if (!app.program.commandLineMode || app.program.settings.keepOnline)
        return runInteractive(app);
    return runUnattended();
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
    // Without the relay the receive thread could not arm the protocol timer
    // and a transfer would wait for ever: as bad a start as no window.
    if (!app.timer.createRelay(instance, app.mainWindow)) {
        DestroyWindow(app.mainWindow);
        return 0;
    }
    applyCommandLine(app.program.settings, commandLine, app.program.commandLineMode, app.settingsStore);
    const int exitCode = runMode(app);
    DestroyWindow(app.mainWindow);
    return exitCode;
}

int runUnattended()
{
    App& app = theApp();
    Program& program = app.program;
    UnattendedEnd end;
    program.series.ends = &end;
    program.series.reset();
    if (program.series.start() == StatusCode::Ok)
        unattendedPump();
    program.series.closePort();
    program.series.ends = &program.failureBoxes;
    return unattendedExitCode(end.result);
}

// Sleeps until a message arrives instead of polling: records are typed by
// the receive thread meanwhile, and the deadlines come as WM_TIMER to the
// hidden window, as in the interactive run. The wait is bounded so that a
// message this loop does not take cannot keep it awake, and the pump ends
// when the transfer has ended, or its window has been closed or destroyed
// from outside.
void unattendedPump()
{
    App& app = theApp();
    constexpr DWORD kWakeUpMs = 100;
    MSG message;
    while (IsWindow(app.mainWindow) && app.program.transfer.running) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kWakeUpMs, QS_ALLINPUT);
    }
}

}  // namespace orvanta
