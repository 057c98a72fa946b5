/*
 * Restart registration for a keep-online series.
 *
 * Only a close for an update brings the program back. After a crash or a
 * hang Windows would merely offer a restart in a dialog, and a series
 * resumed after its own failure would type into whatever window then has
 * the focus. After a reboot the series starts from the Run key or the
 * Startup folder, where keep-online series are set up; a restart from
 * here as well would start a second program on the same port.
 *
 * The system restarts only a program that ran at least 60 seconds, so a
 * series closed sooner stays closed; nothing here can change that.
 */
#include "app/restart_win32.h"

#include <windows.h>

#include <string>

#include "settings/settings_file.h"

namespace orvanta {
namespace {

constexpr DWORD kRestartOnlyForUpdates = RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT;

}  // namespace

// The text is ASCII digits and commas, far below RESTART_MAX_CMD_LINE, and
// the system puts the program's own name in front of it.
void registerSeriesRestart(const Settings& settings)
{
    const std::string text = seriesRestartCommandLine(settings);
    if (text.empty() || text.size() >= RESTART_MAX_CMD_LINE) {
        unregisterSeriesRestart();
        return;
    }
    const std::wstring commandLine(text.begin(), text.end());
    RegisterApplicationRestart(commandLine.c_str(), kRestartOnlyForUpdates);
}

void unregisterSeriesRestart()
{
    UnregisterApplicationRestart();
}

}  // namespace orvanta
