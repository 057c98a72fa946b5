/*
 * Driving the real dialogs in GUI tests. The dialogs run modally on the
 * test's main thread, exactly as in the program; the test's "user" acts
 * from a second thread through window messages, so every modal loop
 * (settings dialog, code picker, message boxes) keeps running as it would.
 *
 * Waits poll for a window with a generous bound: they tell a window that
 * never comes from one that is merely slow, and never measure anything.
 */
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace orvanta::gui {

// Runs "MainFormDlg" on this thread while `user` acts on the dialog from
// another; whatever is still open when `user` returns is cancelled.
// Returns how the dialog ended.
INT_PTR runSettingsDialog(const std::function<void(HWND dialog)>& user);

// A shown top-level window of the dialog thread with this caption, or
// nullptr when none turns up.
HWND waitForWindow(HWND sameThreadAs, const char* caption);

// Polls until the condition holds; false when it never does.
bool waitUntil(const std::function<bool()>& condition);

// The program as it starts without a settings file or command line.
void resetProgram();

struct ShownBox {
    std::string caption;
    std::string text;
};

// Waits for a message box on the dialog thread, reads it and presses OK.
ShownBox answerMessageBox(HWND sameThreadAs);

std::string windowText(HWND window);
std::string itemText(HWND dialog, int id);
void setItemText(HWND dialog, int id, const char* text);

// A click as the control would get it: sent, or posted when it opens a
// modal window that the user must then deal with.
void click(HWND control, int x, int y);
void postClick(HWND control, int x, int y);
void pressButton(HWND dialog, int id);
void postButton(HWND dialog, int id);

// Saves the screen area of `window` as <screenshot dir>/<name>.png, and
// the union of two windows for a picture of both.
void saveScreenshot(HWND window, const char* name);
void saveScreenshot(HWND first, HWND second, const char* name);
void setScreenshotDirectory(const std::string& directory);

}  // namespace orvanta::gui
