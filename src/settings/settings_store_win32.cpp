/*
 * The settings file on Windows. The file is opened without sharing for
 * the moment of each read or write only, and a write replaces it whole.
 * A failed save is not reported: the run goes on with the settings it has,
 * and the next start simply finds the older file (or none).
 */
#include "settings/settings_store_win32.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace orvanta {

static_assert(Win32SettingsStore::kPathCapacity == MAX_PATH);

namespace {

constexpr char kSettingsFileName[] = "Orvanta.ini";

// Closes the handle on every way out of a read.
struct FileHandle {
    HANDLE handle;
    ~FileHandle()
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};

}  // namespace

Win32SettingsStore::Win32SettingsStore()
{
    DWORD length = GetModuleFileNameA(nullptr, settingsPath_, kPathCapacity);
    length = std::min<DWORD>(length, kPathCapacity - 1);
    settingsPath_[length] = 0;
    char* lastBackslash = std::strrchr(settingsPath_, '\\');
    std::size_t directoryLength = lastBackslash ? static_cast<std::size_t>(lastBackslash - settingsPath_) + 1 : 0;
    // A path with no room for the name would name some other file; an empty
    // one just fails to open, which leaves the defaults.
    if (directoryLength + sizeof kSettingsFileName > kPathCapacity)
        settingsPath_[0] = 0;
    else
        std::memcpy(settingsPath_ + directoryLength, kSettingsFileName, sizeof kSettingsFileName);
}

std::size_t Win32SettingsStore::readSettingsFile(std::uint8_t* buffer, std::size_t capacity)
{
    FileHandle file{CreateFileA(settingsPath_, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE)
        return 0;
    const DWORD size = GetFileSize(file.handle, nullptr);
    if (size == 0 || size == INVALID_FILE_SIZE)
        return 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>({size, capacity, kSettingsFileView}));
    DWORD read = 0;
    if (!ReadFile(file.handle, buffer, wanted, &read, nullptr))
        return 0;
    return read;
}

void Win32SettingsStore::writeSettingsFile(const std::uint8_t* image, std::size_t length)
{
    HANDLE file = CreateFileA(settingsPath_, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, image, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
}

}  // namespace orvanta
