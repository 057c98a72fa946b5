/*
 * The Windows program's process-wide state: the platform services, the
 * one Program running on them, and the hidden main window with its tray
 * icon.
 */
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <thread>
#include <vector>

#include "app/program.h"
#include "app/system_events.h"
#include "app/event_log_win32.h"
#include "app/restart_win32.h"
#include "app/series_events.h"
#include "journal/journal_win32.h"
#include "journal/type_again.h"
#include "app/system_events_win32.h"
#include "app/tray_icon.h"
#include "app/tray_icon_win32.h"
#include "keys/keyboard_win32.h"
#include "platform/clock_win32.h"
#include "platform/message_box_win32.h"
#include "protocol/protocol_timer_win32.h"
#include "serial/com_port_win32.h"
#include "settings/settings_file.h"
#include "settings/settings_store_win32.h"

namespace orvanta {

constexpr char kWindowClass[] = "Orvanta";
constexpr UINT_PTR kTypeAgainTimerId = 654;
constexpr UINT kTypeAgainDone = WM_APP + 60;   // wParam: records typed, lParam: records chosen

// Where a keep-online series stands goes to the tray icon and, where it
// matters to IT, to the event log; while a series runs the system may
// restart it after an installer closed the program. The registration stays
// when the session ends or an installer asks the program to close: only
// the user's Stop removes it.
struct SeriesReports final : SeriesObserver {
    SeriesReports(TrayIcon& icon, SystemEventLog& log, const Settings& series)
        : tray(icon), eventLog(log), settings(series)
    {
    }
    void seriesChanged(const SeriesReport& report) override;
    void batchDelivered(std::uint32_t records) override;

    TrayIcon& tray;
    SystemEventLog& eventLog;
    const Settings& settings;
    SeriesReport last;
    NoWindowWatch noWindow;
    bool sessionEnding = false;
    bool restartRegistered = false;
};

struct App {
    Win32Clock clock;
    Win32Keyboard keyboard;
    Win32ComPort comPort;
    Win32ReaderThread readerThread;
    Win32ProtocolTimer timer;
    Win32MessageBoxes messageBoxes;
    Win32SettingsStore settingsStore;
    Program program{Platform{clock, keyboard, comPort, readerThread, timer, messageBoxes}};

    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    Win32NotificationArea notificationArea;
    TrayIcon trayIcon{notificationArea};
    SystemEventLog eventLog;
    SeriesReports seriesReports{trayIcon, eventLog, program.settings};
    std::uint32_t handlesGivenUpShown = 0;
    Win32JournalStore journalStore;
    Win32JournalSources journalSources;
    JournalWriter journalWriter{journalStore, journalKeepDays()};
    JournalRecorder journalRecorder{journalWriter, journalSources, program.settings, program.typing};
    bool journalFailingShown = false;
    // Records chosen in "Recent records", while the tray counts down and
    // then while a thread of their own types them.
    struct TypeAgainRun {
        std::vector<JournalRow> records;
        int countdown = 0;
        std::thread worker;
        bool underWay() const { return countdown > 0 || worker.joinable(); }
    } typeAgain;
    UINT taskbarCreated = 0;   // the shell's broadcast when it starts anew
    POINT cursor{};
    SystemEvents systemEvents;
    SessionInput session;

    // The settings dialog while it is open, or nullptr.
    HWND dialog() const { return reinterpret_cast<HWND>(program.failureBoxes.owner); }
};

App& theApp();

// The process entry: returns the exit code.
int runOrvanta(HINSTANCE instance, const char* commandLine);

bool registerMainWindowClass(HINSTANCE instance);
HWND createMainWindow(HINSTANCE instance);
// The settings dialog, opened on the one program with everything it needs.
INT_PTR runSettingsDialog(App& app);

// "Recent records..." and typing its choice again.
void OnRecentRecords(App& app, HWND window);
void OnTypeAgainTimer(App& app, HWND window);
void OnTypeAgainDone(App& app, WPARAM typed, LPARAM chosen);
void stopTypingAgain(App& app, HWND window);

// Runs one transfer without any window; returns when it is over, with the
// process exit code.
int runUnattended();
void unattendedPump();

}  // namespace orvanta
