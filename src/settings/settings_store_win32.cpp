/*
 * The settings file on Windows. Files are opened without sharing for the
 * moment of each read or write only. A save reaches the disk before it
 * replaces the old file (FlushFileBuffers, then MoveFileEx with
 * MOVEFILE_WRITE_THROUGH), so a power cut leaves one whole file.
 */
#include "settings/settings_store_win32.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

namespace orvanta {
namespace {

constexpr char kPerUserFolderName[] = "Orvanta\\";
constexpr char kProbeName[] = "Orvanta.ini.probe";

// Closes the handle on every way out.
struct FileHandle {
    HANDLE handle;
    ~FileHandle()
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
    bool valid() const { return handle != INVALID_HANDLE_VALUE; }
};

HANDLE openFile(const std::string& path, DWORD access, DWORD disposition, DWORD flags = FILE_ATTRIBUTE_NORMAL)
{
    return CreateFileA(path.c_str(), access, 0, nullptr, disposition, flags, nullptr);
}

}  // namespace

std::size_t Win32SettingsFiles::read(const std::string& path, std::uint8_t* buffer, std::size_t capacity)
{
    FileHandle file{openFile(path, GENERIC_READ, OPEN_EXISTING)};
    if (!file.valid())
        return 0;
    const DWORD size = GetFileSize(file.handle, nullptr);
    if (size == 0 || size == INVALID_FILE_SIZE)
        return 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>({size, capacity, kSettingsFileView}));
    DWORD count = 0;
    if (!ReadFile(file.handle, buffer, wanted, &count, nullptr))
        return 0;
    return count;
}

bool Win32SettingsFiles::exists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32SettingsFiles::canWrite(const std::string& path)
{
    FileHandle file{openFile(path, GENERIC_WRITE, OPEN_EXISTING)};
    return file.valid();
}

bool Win32SettingsFiles::canCreateIn(const std::string& folder)
{
    FileHandle probe{openFile(folder + kProbeName, GENERIC_WRITE, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE)};
    return probe.valid();
}

bool Win32SettingsFiles::createFolder(const std::string& folder)
{
    return CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool Win32SettingsFiles::writeNew(const std::string& path, const std::uint8_t* data, std::size_t length)
{
    FileHandle file{openFile(path, GENERIC_WRITE, CREATE_ALWAYS)};
    if (!file.valid())
        return false;
    DWORD written = 0;
    return WriteFile(file.handle, data, static_cast<DWORD>(length), &written, nullptr) && written == length &&
           FlushFileBuffers(file.handle);
}

bool Win32SettingsFiles::replace(const std::string& from, const std::string& to)
{
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

void Win32SettingsFiles::remove(const std::string& path)
{
    DeleteFileA(path.c_str());
}

std::string programFolder()
{
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    // A cut-off path would name some other folder.
    if (length == 0 || length >= MAX_PATH)
        return {};
    std::string folder(path, length);
    const std::size_t lastBackslash = folder.rfind('\\');
    return lastBackslash == std::string::npos ? std::string{} : folder.substr(0, lastBackslash + 1);
}

// The shell's answer rather than the environment's: a program started by
// a service or a scheduled task may have no LOCALAPPDATA variable.
std::string perUserSettingsFolder()
{
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)) || !path[0])
        return {};
    std::string folder(path);
    if (folder.back() != '\\')
        folder += '\\';
    return folder + kPerUserFolderName;
}

Win32SettingsStore::Win32SettingsStore() : store_(files_, programFolder(), perUserSettingsFolder()) {}

std::size_t Win32SettingsStore::readSettingsFile(std::uint8_t* buffer, std::size_t capacity)
{
    return store_.readSettingsFile(buffer, capacity);
}

void Win32SettingsStore::writeSettingsFile(const std::uint8_t* image, std::size_t length)
{
    store_.writeSettingsFile(image, length);
}

}  // namespace orvanta
