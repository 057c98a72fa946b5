/*
 * The executable's name from QueryFullProcessImageNameW, which needs only
 * the limited query right: that is granted for processes of other users
 * and of lower integrity levels as well, the shell's hosts included.
 */
#include "platform/program_name_win32.h"

#include "platform/text_win32.h"

namespace orvanta {
namespace {

// The longest path Windows gives, so that no installation folder is too
// deep for the name.
constexpr DWORD kLongestPath = 32768;

std::wstring fileNameOf(const std::wstring& path)
{
    const std::size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string programNameOf(DWORD processId)
{
    HANDLE process = processId ? OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId) : nullptr;
    if (!process)
        return {};
    std::wstring path(kLongestPath, L'\0');
    DWORD length = kLongestPath;
    const bool named = QueryFullProcessImageNameW(process, 0, path.data(), &length) != FALSE;
    CloseHandle(process);
    if (!named)
        return {};
    path.resize(length);
    return utf8Of(fileNameOf(path));
}

}  // namespace orvanta
