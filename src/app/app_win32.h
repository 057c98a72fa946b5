/*
 * The Windows program's process-wide state: the platform services, the
 * workers, the engine with its driver, and the hidden main window with
 * its tray icon. The engine runs on the UI thread: the workers' events
 * reach it through the inbox, which wakes the hidden main window.
 */
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <vector>

#include "app/event_log_win32.h"
#include "app/program.h"
#include "app/restart_win32.h"
#include "app/series_events.h"
#include "app/system_events.h"
#include "app/system_events_win32.h"
#include "app/tray_icon.h"
#include "app/tray_icon_win32.h"
#include "journal/journal_recorder.h"
#include "journal/journal_win32.h"
#include "keys/keyboard_win32.h"
#include "platform/clock_win32.h"
#include "platform/deadline_timer_win32.h"
#include "platform/message_box_win32.h"
#include "platform/adapter_memory_win32.h"
#include "platform/named_claim_win32.h"
#include "platform/port_inventory_win32.h"
#include "serial/adapter_tracker.h"
#include "serial/com_port_win32.h"
#include "serial/port_claim_win32.h"
#include "serial/port_connections.h"
#include "settings/registry_values_win32.h"
#include "settings/settings_file.h"
#include "settings/settings_store_win32.h"

namespace orvanta {

constexpr char kWindowClass[] = "Orvanta";
constexpr UINT_PTR kTypeAgainTimerId = 654;
constexpr UINT_PTR kEndingTimerId = 655;
// The inbox has events for the engine.
constexpr UINT kEngineWake = WM_APP + 61;
// A one-shot transfer ended with this failure: shown in a box of its own,
// after the engine's actions are carried out.
constexpr UINT kShowFailure = WM_APP + 62;
// The journal's state changed (rows that wait, or none written).
constexpr UINT kJournalChanged = WM_APP + 63;
// More than one port could be the collector's adapter: the dialog asks.
constexpr UINT kAskForAdapterPort = WM_APP + 64;

// What the engine tells the program: where a keep-online series stands
// goes to the tray icon and, where it matters to IT, to the event log;
// while a series runs the system may restart it after an installer closed
// the program. The registration stays when the session ends or an
// installer asks the program to close: only the user's Stop removes it.
struct AppReports final : EngineReports {
    AppReports(TrayIcon& icon, SystemEventLog& log, const Settings& series) : tray(icon), eventLog(log), settings(series)
    {
    }
    void seriesChanged(const SeriesReport& report) override;
    void transferEnded(StatusCode result) override;
    void batchDelivered(std::uint32_t records) override;
    void typeAgainEnded(std::size_t typed, std::size_t chosen) override;
    void adapterMoved(int comPort) override;
    // Several ports could be the collector's adapter: the user is asked.
    void askForAdapterPort();

    TrayIcon& tray;
    SystemEventLog& eventLog;
    const Settings& settings;
    AdapterTracker* adapters = nullptr;
    HWND window = nullptr;   // where a failure is sent to be shown
    SeriesReport last;
    NoWindowWatch noWindow;
    bool sessionEnding = false;
    bool restartRegistered = false;
    // The unattended run: how its transfer ended, once it has.
    bool unattended = false;
    bool ended = false;
    StatusCode result = StatusCode::ConnectionFailed;
};

struct App {
    App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    std::atomic<HWND> wakeWindow{nullptr};   // the main window, for the workers' threads

    Win32Clock clock;
    Win32Keyboard keyboard;
    Win32MessageBoxes messageBoxes;
    Win32SettingsStore settingsStore;
    Win32RegistryValues registry;
    Program program;

    EngineInbox inbox;
    Win32DeadlineTimer deadline;
    RecordTypist typist;
    TypingWorker typingWorker;
    TypingHand typingHand;
    Win32PortInventory portInventory;
    Win32AdapterMemory adapterMemory{kRegistryKey};
    AdapterTracker adapters{portInventory, adapterMemory};
    PortConnections ports;
    Win32JournalStore journalStore;
    Win32JournalSources journalSources;
    JournalWriter journalWriter;
    JournalRecorder journalRecorder;
    JournalWorker journal;

    Win32NotificationArea notificationArea;
    TrayIcon trayIcon{notificationArea};
    SystemEventLog eventLog;
    AppReports reports{trayIcon, eventLog, program.settings};
    EngineDriver driver;

    std::uint32_t givenUpShown = 0;
    JournalState journalShown;
    // Records chosen in "Recent records", while the tray counts down.
    struct TypeAgainCountdown {
        std::vector<JournalRow> records;
        int seconds = 0;
    } typeAgain;
    UINT taskbarCreated = 0;   // the shell's broadcast when it starts anew
    POINT cursor{};
    SystemEvents systemEvents;
    SessionInput session;
    // The program is ending: every loop of the thread ends once the engine
    // has nothing open or owed, which the quit message then says.
    bool ending = false;
    bool quitPosted = false;

    // The settings dialog while it is open, or nullptr.
    HWND dialog = nullptr;
    // Held for the process's life by the session's program with the tray icon.
    Win32NamedClaim sessionClaim;
};

App& theApp();

// The process entry: returns the exit code.
int runOrvanta(HINSTANCE instance, const char* commandLine);

bool registerMainWindowClass(HINSTANCE instance);
HWND createMainWindow(HINSTANCE instance);
// The settings dialog, opened on the one program with everything it needs.
INT_PTR runSettingsDialog(App& app);
// Exit, the dialog's Close, the hidden window's WM_CLOSE: the port first,
// then typing, then the tray icon, which may wait on the shell; then
// every message loop of the thread, the dialogs' included, ends.
void endProgram(App& app);
void finishEnding(App& app);

// The user and IT hear once how the journal fares.
void noteJournal(App& app);
// "Recent records..." and typing its choice again.
void OnRecentRecords(App& app, HWND window);
void OnTypeAgainTimer(App& app, HWND window);
void stopTypingAgainCountdown(App& app, HWND window);

// Runs one transfer without any window; returns the process exit code.
int runUnattended(App& app);

// A start with this command line while another Orvanta may run in the
// session: false when it brought that one's settings dialog to the front
// instead, and ends.
bool goesOnBesideOthers(App& app, const char* commandLine);
// The tray menu's Open, in every Orvanta of the session but this one.
void openOtherPrograms(HWND own);

}  // namespace orvanta
