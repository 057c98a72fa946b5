/*
 * Claiming a name. Whether the mutex existed before is what counts: it
 * exists only while some program holds it. A name the system cannot make
 * at all (no memory for it) is no sign of another holder, and does not
 * keep the program from what it guards.
 */
#include "platform/named_claim_win32.h"

namespace orvanta {

bool Win32NamedClaim::claim(const wchar_t* name)
{
    letGo();
    handle_ = CreateMutexW(nullptr, FALSE, name);
    if (!handle_)
        return GetLastError() != ERROR_ACCESS_DENIED;
    if (GetLastError() != ERROR_ALREADY_EXISTS)
        return true;
    letGo();
    return false;
}

void Win32NamedClaim::letGo()
{
    if (handle_)
        CloseHandle(handle_);
    handle_ = nullptr;
}

}  // namespace orvanta
