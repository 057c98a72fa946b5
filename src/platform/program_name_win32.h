/*
 * The program a process runs, by the file name of its executable, as the
 * journal names the program behind a record's window and the keyboard
 * tells the shell's hosts from applications.
 */
#pragma once

#include <windows.h>

#include <string>

namespace orvanta {

// The file name of the process's executable, in UTF-8 ("explorer.exe");
// empty when the process cannot be asked (it has ended, or it is
// protected from this one).
std::string programNameOf(DWORD processId);

}  // namespace orvanta
