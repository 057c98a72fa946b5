/*
 * Conversions with MultiByteToWideChar and WideCharToMultiByte: the first
 * call measures, the second converts. A byte that is no character of the
 * code page becomes U+FFFD.
 */
#include "platform/text_win32.h"

#include <windows.h>

namespace orvanta {

std::wstring wideOf(std::string_view bytes, unsigned codePage)
{
    const int count = static_cast<int>(bytes.size());
    const int length = count > 0 ? MultiByteToWideChar(codePage, 0, bytes.data(), count, nullptr, 0) : 0;
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, 0, bytes.data(), count, wide.data(), length);
    return wide;
}

std::wstring wideOf(std::string_view utf8)
{
    return wideOf(utf8, CP_UTF8);
}

std::string utf8Of(std::wstring_view wide)
{
    const int count = static_cast<int>(wide.size());
    const int length = count > 0 ? WideCharToMultiByte(CP_UTF8, 0, wide.data(), count, nullptr, 0, nullptr, nullptr) : 0;
    std::string utf8(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), count, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

}  // namespace orvanta
