/*
 * Which window a record may be typed into: the record window. Keys go to
 * whatever window is in front, so a record is typed only when that is a
 * window of some other program that can take input from this one: never
 * into nothing (a locked workstation), the desktop, the taskbar, the
 * shell's Start menu, Search, task switchers and flyouts, or this
 * program's own dialogs.
 */
#pragma once

#include <string_view>

#include "keys/keyboard.h"

namespace orvanta {

// Whether the window in front can be a record's window.
bool isRecordWindow(const ForegroundWindow& window);
// Whether the record window, in front, can still take the record's next
// key: it is there, shown, not minimized, with a focused control. Not
// whether it answers: the keys of a window that stops answering wait in
// its queue.
bool staysRecordWindow(const ForegroundWindow& window);

// The shell's own windows, which come to the front when the user clicks
// the desktop or the taskbar, opens Start, Search, Task View, Alt+Tab or a
// flyout, or locks the workstation, and tooltips and balloons: known by
// their window class (as registered, exact), and, where applications use
// the same class, by the class together with the file name of the
// process's executable ("SearchHost.exe", in any case). An empty program
// name (the process could not be asked) matches no rule that names one.
bool isShellWindow(std::string_view windowClass, std::string_view program);

}  // namespace orvanta
