/*
 * RegGetValueW hands back a multi-string with its terminators, whatever
 * was stored, and refuses a value of another type (RRF_RT_REG_MULTI_SZ);
 * it is asked for the size first and asked again should the value have
 * grown in between (another Orvanta of the same user writing it).
 * RegSetKeyValueW makes the key when it is not there yet, and writes the
 * whole record in one step.
 */
#include "platform/adapter_memory_win32.h"

#include <windows.h>

#include "platform/text_win32.h"

namespace orvanta {
namespace {

constexpr int kReadAttempts = 3;

// The record's data, or nothing when it is missing or of another type.
std::optional<std::wstring> multiStringValue(const std::wstring& keyPath, const std::wstring& valueName)
{
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        DWORD size = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, keyPath.c_str(), valueName.c_str(), RRF_RT_REG_MULTI_SZ, nullptr,
                         nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
        const LSTATUS read = RegGetValueW(HKEY_CURRENT_USER, keyPath.c_str(), valueName.c_str(),
                                          RRF_RT_REG_MULTI_SZ, nullptr, data.data(), &size);
        if (read == ERROR_SUCCESS) {
            data.resize(size / sizeof(wchar_t));
            return data;
        }
        if (read != ERROR_MORE_DATA)
            return std::nullopt;
    }
    return std::nullopt;
}

// Each line with its terminator, and the empty line that ends the list.
std::wstring multiStringOf(const std::vector<std::string>& lines)
{
    std::wstring data;
    for (const std::string& line : lines) {
        data += wideOf(line);
        data += L'\0';
    }
    data += L'\0';
    return data;
}

}  // namespace

Win32AdapterMemory::Win32AdapterMemory(std::string keyPath, std::string valueName)
    : keyPath_(wideOf(keyPath)), valueName_(wideOf(valueName))
{
}

std::optional<KeptAdapter> Win32AdapterMemory::recall()
{
    const std::optional<std::wstring> data = multiStringValue(keyPath_, valueName_);
    if (!data)
        return std::nullopt;
    return adapterFromRecordLines(splitMultiString(utf8Of(*data)));
}

void Win32AdapterMemory::remember(const KeptAdapter& kept)
{
    const std::wstring data = multiStringOf(adapterRecordLines(kept));
    RegSetKeyValueW(HKEY_CURRENT_USER, keyPath_.c_str(), valueName_.c_str(), REG_MULTI_SZ, data.data(),
                    static_cast<DWORD>(data.size() * sizeof(wchar_t)));
}

}  // namespace orvanta
