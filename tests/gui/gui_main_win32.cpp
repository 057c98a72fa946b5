/*
 * Entry of the GUI tests: the program's own process records on real
 * windows and resources, the hidden main window included (it is the tray
 * icon's window and receives the tray menu's Open and Exit).
 *
 *   orvanta_gui_tests.exe [--screenshots=DIR] [GoogleTest options]
 */
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/app_win32.h"
#include "gui/gui_session_win32.h"
#include "ui/settings_dialog_win32.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    const char kOption[] = "--screenshots=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kOption, sizeof kOption - 1) == 0)
            orvanta::gui::setScreenshotDirectory(argv[i] + sizeof kOption - 1);
    }
    orvanta::App& app = orvanta::theApp();
    app.instance = GetModuleHandleA(nullptr);
    if (!orvanta::registerMainWindowClass(app.instance))
        return 2;
    app.mainWindow = orvanta::createMainWindow(app.instance);
    if (!app.mainWindow)
        return 2;
    app.wakeWindow = app.mainWindow;
    orvanta::initDialogControls();
    const int result = RUN_ALL_TESTS();
    DestroyWindow(app.mainWindow);
    return result;
}
