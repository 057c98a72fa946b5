/*
 * The program's one App: its workers and the engine wired together, what
 * the engine reports and where it goes, and the program's one way to end.
 */
#include "app/app_win32.h"

#include <cstdio>

#include "platform/text_win32.h"
#include "res/resource.h"
#include "ui/settings_dialog_win32.h"

namespace orvanta {
namespace {

// How long Exit waits for a record's ACK that is owed before it ends all
// the same.
constexpr UINT kEndingWaitMs = 1000;

// "HH:MM" of a moment on the clock's microseconds, on the PC's clock.
std::string localClockText(App& app, std::uint64_t atUs)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER at{{now.dwLowDateTime, now.dwHighDateTime}};
    at.QuadPart -= (app.clock.nowUs() - atUs) * 10;
    FILETIME utc{at.LowPart, at.HighPart};
    FILETIME local;
    SYSTEMTIME time{};
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &time);
    char text[8];
    std::snprintf(text, sizeof text, "%02u:%02u", time.wHour % 24u, time.wMinute % 60u);
    return text;
}

}  // namespace

// The first report of a wait for the user's choice asks for it.
void AppReports::seriesChanged(const SeriesReport& report)
{
    if (report.result == StatusCode::AdapterAmbiguous && last.result != StatusCode::AdapterAmbiguous)
        askForAdapterPort();
    const std::string since = report.state == SeriesState::NoAnswer ? localClockText(theApp(), report.sinceUs) : "";
    tray.seriesChanged(report, since.c_str());
    for (const EventReport& event : eventsOfChange(last, report, since))
        eventLog.report(event, GetTickCount64());
    last = report;
    if (report.state != SeriesState::Idle && !restartRegistered) {
        registerSeriesRestart(settings);
        restartRegistered = true;
    } else if (report.state == SeriesState::Idle && restartRegistered && !sessionEnding) {
        unregisterSeriesRestart();
        restartRegistered = false;
    }
}

// Unattended, the end is the exit code; interactively a failure is shown.
// The exit code cannot tell a port another Orvanta holds from one that is
// not there: the event log says which.
void AppReports::transferEnded(StatusCode ended)
{
    if (unattended) {
        this->ended = true;
        result = ended;
        if (ended == StatusCode::PortInUse)
            eventLog.report(portInUse(settings.comPort), GetTickCount64());
        if (ended == StatusCode::AdapterAmbiguous)
            eventLog.report(adapterAmbiguous(adapters->question()), GetTickCount64());
    } else if (ended != StatusCode::Ok && window) {
        PostMessageA(window, kShowFailure, static_cast<WPARAM>(ended), 0);
    }
}

void AppReports::batchDelivered(std::uint32_t records)
{
    eventLog.report(orvanta::batchDelivered(records, settings.comPort), GetTickCount64());
}

// Said once in the tray, and once in the event log; the unattended run
// has no tray to say it in.
void AppReports::adapterMoved(int comPort)
{
    eventLog.report(orvanta::adapterMoved(settings.comPort, comPort), GetTickCount64());
    if (unattended || theApp().ending)
        return;
    const std::string text = "The collector's adapter is now COM" + std::to_string(comPort);
    theApp().notificationArea.showBalloon(text.c_str(), false);
}

void AppReports::askForAdapterPort()
{
    const std::vector<int> candidates = adapters->question();
    eventLog.report(adapterAmbiguous(candidates), GetTickCount64());
    if (unattended || theApp().ending)
        return;
    const std::string text = "More than one COM port could be the collector's adapter: " + portList(candidates)
                             + ". Choose its port in the settings and press Start.";
    theApp().notificationArea.showBalloon(text.c_str(), true);
    PostMessageA(theApp().mainWindow, kAskForAdapterPort, 0, 0);
}

void AppReports::typeAgainEnded(std::size_t typed, std::size_t chosen)
{
    char text[160];
    if (typed == chosen)
        std::snprintf(text, sizeof text, "%u record(s) typed again.", static_cast<unsigned>(typed));
    else
        std::snprintf(text, sizeof text, "Typing again stopped after %u of %u records: no window could take the next.",
                      static_cast<unsigned>(typed), static_cast<unsigned>(chosen));
    if (!theApp().ending)
        theApp().notificationArea.showBalloon(text, typed != chosen);
}

App::App()
    : inbox([this] {
          if (HWND window = wakeWindow.load())
              PostMessageA(window, kEngineWake, 0, 0);
      }),
      deadline(clock, [this] { inbox.post(events::DeadlineDue{}); }),
      typist(keyboard, clock, program.platformMajorVersion),
      typingWorker(typist, [this](const TypedRecord& typed) { inbox.post(recordTypedOf(typed)); }),
      typingHand(program.settings, program.working, typist, typingWorker),
      ports(program.settings, clock, [] { return std::make_unique<Win32ComPort>(); },
            [] { return std::make_unique<Win32PortClaim>(); }, startPortThread,
            [this](const Event& event) { inbox.post(event); }, &adapters),
      journalWriter(journalStore, journalKeepDays()),
      journalRecorder(journalWriter, journalSources),
      journal(journalRecorder, program.settings, [this](const Event& event) { inbox.post(event); },
              [this] {
                  if (HWND window = wakeWindow.load())
                      PostMessageA(window, kJournalChanged, 0, 0);
              }),
      driver(program.engine, clock, EngineHands{ports, typingHand, journal, deadline, reports})
{
    reports.adapters = &adapters;
}

// The records are typed and acknowledged whatever becomes of the journal;
// the user and IT hear once where its rows go meanwhile, or that they are
// not written, and once that it is written as usual again.
void noteJournal(App& app)
{
    const JournalState state = app.journal.state();
    if (state == app.journalShown)
        return;
    app.journalShown = state;
    app.eventLog.report(journalChanged(state.health, utf8Of(app.journalStore.folder()), state.pendingFile),
                        GetTickCount64());
    app.notificationArea.showBalloon(journalNotice(state.health, state.pendingFile).c_str(),
                                     state.health != JournalHealth::Writing);
}

// Never destroyed: the port connections' workers may outlive the program's
// end by a moment, and post to it until the process is gone.
App& theApp()
{
    static App* app = new App;
    return *app;
}

// The settings dialog ends as by its Close, whichever loop runs above it.
void endProgram(App& app)
{
    if (app.ending)
        return;
    app.ending = true;
    stopTypingAgainCountdown(app, app.mainWindow);
    app.driver.feed(events::Stopped{});
    if (app.dialog && IsWindow(app.dialog))
        EndDialog(app.dialog, IDC_CLOSE);
    if (app.program.engine.settled())
        return finishEnding(app);
    SetTimer(app.mainWindow, kEndingTimerId, kEndingWaitMs, nullptr);
}

void finishEnding(App& app)
{
    if (app.quitPosted)
        return;
    app.quitPosted = true;
    KillTimer(app.mainWindow, kEndingTimerId);
    app.trayIcon.remove();
    PostQuitMessage(0);
}

INT_PTR runSettingsDialog(App& app)
{
    Program& program = app.program;
    SettingsDialogContext context{
        app.instance,
        DialogSession{program.settings, program.working, app.driver, app.messageBoxes, app.settingsStore,
                      app.registry},
        app.mainWindow, app.dialog, program.commandLineMode, app.adapters};
    const INT_PTR ended = showSettingsDialog(context);
    app.dialog = nullptr;
    return ended;
}

}  // namespace orvanta
