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
int RunInteractive(App& app)
{
    InitDialogControls();
    INT_PTR result;
    do {
        result = RunSettingsDialog(app);
    } while (result != IDC_CLOSE && result != -1 && IsWindow(app.mainWindow));
    return 1;
}

int RunMode(App& app)
{
    if (!app.program.commandLineMode || app.program.settings.keepOnline)
        return RunInteractive(app);
    return RunUnattended();
}

bool isTimerMessage(const MSG& message)
{
    return message.message == WM_TIMER;
}

// Carries out the timer requests the receive thread has posted.
void handleTimerRequests(HWND relay)
{
    MSG message;
    while (relay && PeekMessageA(&message, relay, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
}

// Handles what is queued for the window; false once the transfer is over.
bool handleQueuedMessages(App& app, HWND window)
{
    Program& program = app.program;
    MSG message;
    handleTimerRequests(app.timer.relay());
    while (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
        if (!isTimerMessage(message))
            continue;   // dropped: neither translated nor dispatched
        program.machine.stopProtocolTimer();
        if (program.machine.UnattendedTimeoutStep() == 0) {
            program.transfer.running = false;
            return false;
        }
        if (!program.transfer.running)
            return false;
    }
    return true;
}

}  // namespace

int RunOrvanta(HINSTANCE instance, const char* commandLine)
{
    App& app = theApp();
    app.instance = instance;
    if (!RegisterMainWindowClass(instance))
        return 0;
    app.mainWindow = CreateMainWindow(instance);
    if (!app.mainWindow)
        return 0;
    // Without the relay the receive thread could not arm the protocol timer
    // and a transfer would wait for ever: as bad a start as no window.
    if (!app.timer.createRelay(instance)) {
        DestroyWindow(app.mainWindow);
        return 0;
    }
    applyCommandLine(app.program.settings, commandLine, app.program.commandLineMode, app.settingsStore);
    const int exitCode = RunMode(app);
    DestroyWindow(app.mainWindow);
    return exitCode;
}

int RunUnattended()
{
    App& app = theApp();
    Program& program = app.program;
    program.machine.timerOwner = reinterpret_cast<WindowId>(app.mainWindow);
    program.machine.ResetTransfer();
    const int started = program.machine.StartTransfer();
    if (started == 1)
        UnattendedPump();
    program.machine.ClosePort();
    return unattendedExitCode(started == 1 ? program.machine.unattendedResult() : started);
}

// Sleeps until a message arrives instead of polling: records are typed by
// the receive thread meanwhile, and the time-outs come as WM_TIMER. The
// wait is bounded so that a message this loop does not take cannot keep it
// awake, and the pump ends when its window has been destroyed from outside
// or the session's end has stopped the transfer.
void UnattendedPump()
{
    App& app = theApp();
    constexpr DWORD kWakeUpMs = 100;
    while (IsWindow(app.mainWindow) && app.program.transfer.running) {
        if (!handleQueuedMessages(app, app.mainWindow))
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kWakeUpMs, QS_ALLINPUT);
    }
}

}  // namespace orvanta
