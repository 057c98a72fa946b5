#include <gtest/gtest.h>

#include "keys/foreground.h"

namespace orvanta {
namespace {

constexpr const char* kCoreWindow = "Windows.UI.Core.CoreWindow";

// The shell's windows take no record, by class or by class and program;
// applications built on the same frameworks, and Explorer's own folder
// windows, still do.
TEST(Foreground, ShellWindowsAreKnownByClassOrByClassAndProgram)
{
    const struct {
        const char* windowClass;
        const char* program;
        bool refused;
    } table[] = {
        {"Progman", "explorer.exe", true},
        {"WorkerW", "", true},
        {"Shell_TrayWnd", "explorer.exe", true},
        {"Shell_SecondaryTrayWnd", "explorer.exe", true},
        {"#32769", "", true},
        {"__winex11_standalone_tray", "explorer.exe", true},
        {"tooltips_class32", "Orvanta.exe", true},
        {"NotifyIconOverflowWindow", "explorer.exe", true},
        {"TopLevelWindowForOverflowXamlIsland", "explorer.exe", true},
        {"#32771", "", true},
        {"TaskSwitcherWnd", "explorer.exe", true},
        {"MultitaskingViewFrame", "explorer.exe", true},
        {"XamlExplorerHostIslandWindow", "explorer.exe", true},
        {"XamlExplorerHostIslandWindow", "EXPLORER.EXE", true},
        {"XamlExplorerHostIslandWindow", "notes.exe", false},
        {kCoreWindow, "StartMenuExperienceHost.exe", true},
        {kCoreWindow, "SearchHost.exe", true},
        {kCoreWindow, "searchhost.exe", true},
        {kCoreWindow, "SearchApp.exe", true},
        {kCoreWindow, "SearchUI.exe", true},
        {kCoreWindow, "ShellExperienceHost.exe", true},
        {kCoreWindow, "LockApp.exe", true},
        {kCoreWindow, "CalculatorApp.exe", false},
        {kCoreWindow, "ApplicationFrameHost.exe", false},
        {kCoreWindow, "", false},
        {kCoreWindow, "SearchHost.exe.bak", false},
        {"ApplicationFrameWindow", "ApplicationFrameHost.exe", false},
        {"OrvantaTypingTarget", "SearchHost.exe", false},
        {"CabinetWClass", "explorer.exe", false},
        {"Chrome_WidgetWin_1", "msedge.exe", false},
        {"Notepad", "notepad.exe", false},
        {"progman", "explorer.exe", false},
        {"", "", false},
    };
    for (const auto& row : table)
        EXPECT_EQ(isShellWindow(row.windowClass, row.program), row.refused) << row.windowClass << " of " << row.program;
}

}  // namespace
}  // namespace orvanta
