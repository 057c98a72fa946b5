/*
 * Process entry of the Windows program.
 */
#include <windows.h>

#include "settings/settings.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    orvanta::Settings settings{};
    orvanta::applyDefaults(settings);
    return 1;
}
