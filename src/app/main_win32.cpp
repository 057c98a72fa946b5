/*
 * Process entry of the Windows program.
 */
#include <windows.h>

#include "app/app_win32.h"
#include "platform/system_library_win32.h"

// Libraries are looked for in the system folder only, before anything can
// load one: the program may sit in a folder that others can write.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    orvanta::loadLibrariesFromSystemFolderOnly();
    return orvanta::runOrvanta(instance, commandLine);
}
