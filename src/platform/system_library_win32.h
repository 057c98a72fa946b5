/*
 * Loading a system DLL at run time from the system folder only, never
 * from beside the executable or the current folder, where anybody who
 * can write there could put a DLL of the same name.
 */
#pragma once

#include <windows.h>

namespace orvanta {

// The DLL from the system folder, or null. Windows 7 without its DLL
// search update refuses LOAD_LIBRARY_SEARCH_SYSTEM32; the full path of
// the system folder serves there.
HMODULE loadSystemLibrary(const char* name);

}  // namespace orvanta
