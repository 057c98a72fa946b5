/*
 * Libraries from the Windows system folder only. A DLL that is not one of
 * Windows' KnownDLLs would otherwise be looked for beside the executable
 * first, where anyone who can write that folder could put one of the same
 * name. The program imports only KnownDLLs; anything else it needs is
 * loaded here, at run time, by its full place in the system folder.
 */
#pragma once

#include <windows.h>

namespace orvanta {

// Makes the system folder the only place LoadLibrary looks, for the whole
// process. The call exists on Windows 7 only with KB2533623, so it is
// looked up; without it this does nothing.
void loadLibrariesFromSystemFolderOnly();

// The DLL of that name from the system folder, or nullptr.
HMODULE loadSystemLibrary(const char* name);
// The same through the full path of the system folder, for a Windows 7
// whose loader does not know the flag that names that folder.
HMODULE loadSystemLibraryByPath(const char* name);

// Points `function` at an export of a loaded library; false when it has none.
template <typename Function>
bool findFunction(HMODULE library, const char* name, Function*& function)
{
    // GetProcAddress gives every export one generic type.
    function = reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
    return function != nullptr;
}

}  // namespace orvanta
