/*
 * System DLLs loaded at run time, from the system folder.
 */
#include "platform/system_library_win32.h"

#include <cstdio>

namespace orvanta {
namespace {

constexpr DWORD kSearchSystem32 = 0x00000800;   // LOAD_LIBRARY_SEARCH_SYSTEM32

}  // namespace

HMODULE loadSystemLibrary(const char* name)
{
    if (HMODULE library = LoadLibraryExA(name, nullptr, kSearchSystem32))
        return library;
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    char path[MAX_PATH + 64] = {};
    std::snprintf(path, sizeof path, "%s\\%s", folder, name);
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace orvanta
