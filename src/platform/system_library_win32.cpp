/*
 * Loading from the system folder; see system_library_win32.h.
 */
#include "platform/system_library_win32.h"

#include <string>

namespace orvanta {
namespace {

// Defined by the headers only for Windows 8 and later.
constexpr DWORD kSearchSystem32 = 0x00000800;   // LOAD_LIBRARY_SEARCH_SYSTEM32

using SetDefaultDllDirectoriesCall = BOOL WINAPI(DWORD);

}  // namespace

void loadLibrariesFromSystemFolderOnly()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetDefaultDllDirectoriesCall* setDirectories = nullptr;
    if (findFunction(kernel, "SetDefaultDllDirectories", setDirectories))
        setDirectories(kSearchSystem32);
}

// Without KB2533623 the search flag is refused (ERROR_INVALID_PARAMETER);
// a full path then names the one file meant.
HMODULE loadSystemLibrary(const char* name)
{
    if (HMODULE library = LoadLibraryExA(name, nullptr, kSearchSystem32))
        return library;
    return loadSystemLibraryByPath(name);
}

HMODULE loadSystemLibraryByPath(const char* name)
{
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    const std::string path = std::string(folder, length) + "\\" + name;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace orvanta
