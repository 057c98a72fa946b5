/*
 * A name only one program can hold at a time, kept by Windows across
 * processes: the one Orvanta of a session, the one Orvanta of a COM port.
 * The name is a mutex that nobody waits on: it exists for as long as its
 * holder keeps its handle, and Windows removes it when the holder lets it
 * go or its process ends, whichever way.
 */
#pragma once

#include <windows.h>

namespace orvanta {

class Win32NamedClaim {
public:
    Win32NamedClaim() = default;
    ~Win32NamedClaim() { letGo(); }
    Win32NamedClaim(const Win32NamedClaim&) = delete;
    Win32NamedClaim& operator=(const Win32NamedClaim&) = delete;

    // True when this program holds the name now (a claim held before is
    // let go first); false when another program holds it, also one of
    // another user whose name this user may not open.
    [[nodiscard]] bool claim(const wchar_t* name);
    void letGo();

private:
    HANDLE handle_ = nullptr;
};

}  // namespace orvanta
