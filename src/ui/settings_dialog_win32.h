/*
 * The settings dialog "MainFormDlg". Everything it works on comes with it
 * when it opens (the DialogBoxParamA parameter) and is kept in its
 * DWLP_USER, so its procedures reach nothing global. UI thread only.
 */
#pragma once

#include <windows.h>

#include <vector>

#include "platform/port_inventory.h"
#include "serial/adapter_tracker.h"

#include "ui/dialog_start.h"

namespace orvanta {

// What the settings dialog is opened with.
struct SettingsDialogContext {
    HINSTANCE instance;
    DialogSession session;
    // The hidden main window: the dialog's Close ends the program there,
    // as the tray's Exit does.
    HWND mainWindow;
    // Where the program notes the dialog while it is open: the owner of its
    // failure boxes and the window the tray's Open goes to.
    HWND& shownDialog;
    // A command line was given: with keep-online the dialog starts the
    // transfer as it opens.
    bool commandLineMode;
    // Where the collector's adapter is: the port shown, and the question
    // when two ports could be it.
    AdapterTracker& adapters;
};

// The dialog's own record, for the life of the dialog.
struct SettingsDialogState {
    explicit SettingsDialogState(SettingsDialogContext& opened) : context(opened) {}
    SettingsDialogContext& context;
    // The code fields, and the edit procedure they forward to once
    // subclassed.
    HWND prefixField = nullptr;
    HWND suffixField = nullptr;
    WNDPROC standardEditProc = nullptr;
    // Set while the program has hidden the dialog (Start, minimizing):
    // only Open in the tray menu shows it again.
    bool keepHidden = false;
    // The code field whose code picker is open, or none.
    HWND pickerOwner = nullptr;
    // The COM ports this PC has, as of the last device change.
    std::vector<PresentPort> presentPorts;
};

// The up-down control class must be registered before the dialog opens.
void initDialogControls();

// Runs the dialog modally with no owner; returns how it ended (2 for
// Close, -1 when it could not be created).
INT_PTR showSettingsDialog(SettingsDialogContext& context);

// The record of a settings dialog, or nullptr for any other window.
SettingsDialogState* settingsDialogState(HWND dialog);

// Puts the settings and the working lists into the controls, usable.
void fillDialog(HWND dialog);
void applyEnableRules(HWND dialog, bool enable);
// Shows the dialog again after the program hid it (Open).
void revealDialog(HWND dialog);
// The port in use in the port field; while a series runs and waits for
// the user to say which port is the adapter's, the question, with the
// port's controls and Start usable.
void showAdapterPort(HWND dialog, bool seriesRuns);

}  // namespace orvanta
