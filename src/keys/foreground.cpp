/*
 * The record window rules, and the table of the shell's windows
 * (docs/typing.md says which Windows shows which).
 */
#include "keys/foreground.h"

#include <algorithm>

namespace orvanta {
namespace {

// A window class alone, or a class that applications share with the shell
// together with the shell's program that shows it.
struct ShellWindowRule {
    std::string_view windowClass;
    std::string_view program;   // empty: a window of this class in any process
};

// Store apps and their like run in windows of this class too (Calculator
// full-screen, a game): only the shell's own hosts are refused.
constexpr std::string_view kCoreWindow = "Windows.UI.Core.CoreWindow";

constexpr ShellWindowRule kShellWindows[] = {
    // The desktop and the taskbars.
    {"Progman", {}},
    {"WorkerW", {}},
    {"Shell_TrayWnd", {}},
    {"Shell_SecondaryTrayWnd", {}},
    {"#32769", {}},
    // Wine's own notification area takes the front when the window there
    // goes, once a program has a tray icon, and so do the tooltips and
    // balloons over the icons: the balloon this program shows when a
    // series has no window to type into took a record's keys, and its
    // next ones.
    {"__winex11_standalone_tray", {}},
    {"tooltips_class32", {}},
    // The taskbar's overflow of notification icons.
    {"NotifyIconOverflowWindow", {}},
    {"TopLevelWindowForOverflowXamlIsland", {}},
    // Alt+Tab and Task View. Explorer hosts more than the switcher in
    // windows of this XAML island class, all of them shell surfaces; no
    // other program's window of the same name is refused.
    {"#32771", {}},
    {"TaskSwitcherWnd", {}},
    {"MultitaskingViewFrame", {}},
    {"XamlExplorerHostIslandWindow", "explorer.exe"},
    // Start, Search, the notification centre and its flyouts, the lock
    // screen: a record typed into Search is a search, and its Enter starts
    // the top result.
    {kCoreWindow, "StartMenuExperienceHost.exe"},
    {kCoreWindow, "SearchHost.exe"},
    {kCoreWindow, "SearchApp.exe"},
    {kCoreWindow, "SearchUI.exe"},
    {kCoreWindow, "ShellExperienceHost.exe"},
    {kCoreWindow, "LockApp.exe"},
};

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// File names on Windows do not tell case apart.
bool sameProgram(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

bool matches(const ShellWindowRule& rule, std::string_view windowClass, std::string_view program)
{
    return rule.windowClass == windowClass && (rule.program.empty() || sameProgram(rule.program, program));
}

}  // namespace

bool isRecordWindow(const ForegroundWindow& window)
{
    return window.exists && !window.isShell && !window.ownProcess && !window.inputBlocked && !window.hidden
           && !window.minimized && !window.noFocus && !window.hung;
}

bool staysRecordWindow(const ForegroundWindow& window)
{
    return window.exists && !window.ownProcess && !window.hidden && !window.minimized && !window.noFocus;
}

bool isShellWindow(std::string_view windowClass, std::string_view program)
{
    return std::ranges::any_of(kShellWindows,
                               [&](const ShellWindowRule& rule) { return matches(rule, windowClass, program); });
}

}  // namespace orvanta
