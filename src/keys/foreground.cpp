/*
 * The record window rules.
 */
#include "keys/foreground.h"

#include <cstring>

namespace orvanta {

bool isRecordWindow(const ForegroundWindow& window)
{
    return window.exists && !window.isShell && !window.ownProcess && !window.inputBlocked && !window.hidden
           && !window.minimized && !window.noFocus && !window.hung;
}

bool staysRecordWindow(const ForegroundWindow& window)
{
    return window.exists && !window.ownProcess && !window.hidden && !window.minimized && !window.noFocus;
}

bool isShellWindowClass(const char* className)
{
    // Wine's own notification area takes the front when the window there
    // goes, once a program has a tray icon, and so do the tooltips and
    // balloons over the icons: the balloon this program shows when a series
    // has no window to type into took a record's keys, and its next ones.
    static const char* const kShellClasses[] = {"Progman",          "WorkerW", "Shell_TrayWnd",
                                                "Shell_SecondaryTrayWnd", "#32769",  "__winex11_standalone_tray",
                                                "tooltips_class32"};
    for (const char* shellClass : kShellClasses) {
        if (std::strcmp(className, shellClass) == 0)
            return true;
    }
    return false;
}

}  // namespace orvanta
