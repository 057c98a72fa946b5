/*
 * The typing target rules.
 */
#include "keys/foreground.h"

#include <cstring>

namespace orvanta {

bool acceptsTyping(const ForegroundWindow& window)
{
    return window.exists && !window.isShell && !window.ownProcess && !window.inputBlocked && !window.hidden
           && !window.minimized && !window.noFocus && !window.hung;
}

bool keepsTyping(const ForegroundWindow& window)
{
    return window.exists && !window.ownProcess && !window.hidden && !window.minimized && !window.noFocus;
}

bool isShellWindowClass(const char* className)
{
    // The last one is wine's own notification area, which takes the front
    // when the window there goes, once a program has a tray icon.
    static const char* const kShellClasses[] = {"Progman", "WorkerW", "Shell_TrayWnd", "Shell_SecondaryTrayWnd",
                                                "#32769", "__winex11_standalone_tray"};
    for (const char* shellClass : kShellClasses) {
        if (std::strcmp(className, shellClass) == 0)
            return true;
    }
    return false;
}

}  // namespace orvanta
