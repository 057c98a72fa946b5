/*
 * The journal's files and sources on Windows. Paths are wide: a user
 * name need not fit the ANSI code page. Every row is one WriteFile on a
 * handle opened for appending, flushed before it is closed, so that it is
 * on disk before the record's ACK goes out. The handle shares reading and
 * writing and is held only for the row: a user who opens today's file
 * meanwhile must not stop the journal. A program that opens it without
 * sharing writing (as a spreadsheet holds the CSV it shows) makes the
 * opening fail; the writer then puts the rows aside until it is closed.
 */
#include "journal/journal_win32.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "platform/program_name_win32.h"
#include "platform/text_win32.h"
#include "settings/registry_values_win32.h"

namespace orvanta {
namespace {

constexpr wchar_t kJournalFolder[] = L"\\Orvanta\\Journal";
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A journal file is a day's rows: a file larger than this is none of ours.
constexpr std::size_t kMostRead = std::size_t{1} << 30;

std::wstring journalFolder()
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)) || !path[0])
        return {};
    return std::wstring(path) + kJournalFolder;
}

// The folder and its parent; either may be there already.
bool makeFolder(const std::wstring& folder)
{
    const std::wstring parent = folder.substr(0, folder.rfind(L'\\'));
    CreateDirectoryW(parent.c_str(), nullptr);
    return CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool writeAll(HANDLE file, const std::string& bytes)
{
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)
           && written == bytes.size() && FlushFileBuffers(file);
}

}  // namespace

Win32JournalStore::Win32JournalStore() : folder_(journalFolder()) {}

std::wstring Win32JournalStore::pathOf(const std::string& name) const
{
    return folder_ + L"\\" + std::wstring(name.begin(), name.end());   // journal names are ASCII
}

bool Win32JournalStore::exists(const std::string& name)
{
    return !folder_.empty() && GetFileAttributesW(pathOf(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32JournalStore::readInto(const std::string& name, std::size_t offset, std::size_t length, std::string& into)
{
    if (folder_.empty())
        return false;
    HANDLE file = CreateFileW(pathOf(name).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    const bool sized = GetFileSizeEx(file, &size) != FALSE;
    const auto total = sized ? static_cast<std::size_t>(size.QuadPart) : 0;
    const std::size_t from = std::min(offset, total);
    const std::size_t count = std::min(length, total - from);
    bool read = sized && count <= kMostRead;
    if (read) {
        into.resize(count);
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(from);
        DWORD got = 0;
        read = count == 0
               || (SetFilePointerEx(file, at, nullptr, FILE_BEGIN)
                   && ReadFile(file, into.data(), static_cast<DWORD>(count), &got, nullptr) && got == count);
    }
    CloseHandle(file);
    return read;
}

// A file that cannot be opened has nothing of the bytes; one that opened
// and then failed may have a part of them.
Appended Win32JournalStore::append(const std::string& name, const std::string& bytes)
{
    if (folder_.empty() || !makeFolder(folder_))
        return Appended::NotOpened;
    HANDLE file = CreateFileW(pathOf(name).c_str(), FILE_APPEND_DATA, kShareAll, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Appended::NotOpened;
    const bool written = writeAll(file, bytes);
    CloseHandle(file);
    return written ? Appended::Whole : Appended::Failed;
}

// A file that is not there yet is made by the next append.
bool Win32JournalStore::canAppend(const std::string& name)
{
    if (folder_.empty())
        return false;
    HANDLE file = CreateFileW(pathOf(name).c_str(), FILE_APPEND_DATA, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
    CloseHandle(file);
    return true;
}

bool Win32JournalStore::truncate(const std::string& name, std::size_t length)
{
    if (folder_.empty())
        return false;
    HANDLE file = CreateFileW(pathOf(name).c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(length);
    const bool cut = SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file) && FlushFileBuffers(file);
    CloseHandle(file);
    return cut;
}

std::vector<std::string> Win32JournalStore::names()
{
    std::vector<std::string> found;
    WIN32_FIND_DATAW entry{};
    HANDLE search = folder_.empty() ? INVALID_HANDLE_VALUE : FindFirstFileW((folder_ + L"\\*.csv").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return found;
    do {
        const std::string name = utf8Of(entry.cFileName);
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            found.push_back(name);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return found;
}

bool Win32JournalStore::remove(const std::string& name)
{
    return !folder_.empty() && DeleteFileW(pathOf(name).c_str());
}

// The offset is the difference between the local and the universal time
// of the same moment, to the quarter hour that every zone keeps to.
LocalTime Win32JournalSources::now()
{
    FILETIME universal{};
    GetSystemTimeAsFileTime(&universal);
    SYSTEMTIME utc{}, local{};
    FileTimeToSystemTime(&universal, &utc);
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        local = utc;
    FILETIME localFile{};
    SystemTimeToFileTime(&local, &localFile);
    const auto ticks = [](const FILETIME& f) {
        return static_cast<long long>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime);
    };
    const long long minutes = (ticks(localFile) - ticks(universal)) / (10'000'000LL * 60);
    const int offset = static_cast<int>((minutes >= 0 ? minutes + 7 : minutes - 7) / 15 * 15);
    return LocalTime{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond,
                     local.wMilliseconds, offset};
}

std::string Win32JournalSources::textOf(const std::uint8_t* bytes, std::size_t count)
{
    return utf8Of(wideOf({reinterpret_cast<const char*>(bytes), count}, CP_ACP));
}

// The title of another program's window is read without a message to it,
// so a window that hangs cannot hold up the ACK.
std::string Win32JournalSources::windowTitle(WindowId window)
{
    wchar_t title[256] = {};
    const int length = GetWindowTextW(reinterpret_cast<HWND>(window), title, 256);
    return utf8Of({title, static_cast<std::size_t>(length > 0 ? length : 0)});
}

std::string Win32JournalSources::programOf(WindowId window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(reinterpret_cast<HWND>(window), &processId);
    return programNameOf(processId);
}

int journalKeepDays()
{
    Win32RegistryValues registry;
    return static_cast<int>(readRegistryDword(registry, kJournalDays, kDefaultJournalDays).value);
}

}  // namespace orvanta
