/*
 * Process entry of the Windows program.
 */
#include <windows.h>

#include "app/app_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    return orvanta::RunOrvanta(instance, commandLine);
}
