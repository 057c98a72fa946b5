/*
 * Which window a record may be typed into: the record window. Keys go to
 * whatever window is in front, so a record is typed only when that is a
 * window of some other program that can take input from this one: never
 * into nothing (a locked workstation), the desktop, the taskbar or this
 * program's own dialogs.
 */
#pragma once

#include "keys/keyboard.h"

namespace orvanta {

// Whether the window in front can be a record's window.
bool isRecordWindow(const ForegroundWindow& window);
// Whether the record window, in front, can still take the record's next
// key: it is there, shown, not minimized, with a focused control. Not
// whether it answers: the keys of a window that stops answering wait in
// its queue.
bool staysRecordWindow(const ForegroundWindow& window);

// The shell's own windows that come to the front when the user clicks the
// desktop or the taskbar, and tooltips and balloons, which take no keys,
// by window class.
bool isShellWindowClass(const char* className);

}  // namespace orvanta
