/*
 * RegGetValueW reads a value in one call and refuses one of another type
 * (RRF_RT_REG_DWORD); RegSetKeyValueW makes the user's key when it is not
 * there yet. A 64-bit program reads the 64-bit view, where a Group Policy
 * of the machine writes.
 */
#include "settings/registry_values_win32.h"

#include <windows.h>

#include <string>

namespace orvanta {
namespace {

// The names are ASCII.
std::wstring wideName(const char* name)
{
    return std::wstring(name, name + std::char_traits<char>::length(name));
}

std::optional<std::uint32_t> dwordUnder(HKEY root, const char* name)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(root, wideName(kRegistryKey).c_str(), wideName(name).c_str(), RRF_RT_REG_DWORD, nullptr,
                     &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<std::uint32_t> Win32RegistryValues::machineValue(const char* name)
{
    return dwordUnder(HKEY_LOCAL_MACHINE, name);
}

std::optional<std::uint32_t> Win32RegistryValues::userValue(const char* name)
{
    return dwordUnder(HKEY_CURRENT_USER, name);
}

void Win32RegistryValues::setUserValue(const char* name, std::uint32_t value)
{
    const DWORD data = value;
    RegSetKeyValueW(HKEY_CURRENT_USER, wideName(kRegistryKey).c_str(), wideName(name).c_str(), REG_DWORD, &data,
                    sizeof data);
}

}  // namespace orvanta
