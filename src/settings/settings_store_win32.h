/*
 * The settings file on Windows: "Orvanta.ini" beside the executable, or
 * per user in %LOCALAPPDATA%\Orvanta (see settings_store.h for the choice).
 */
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/settings_file.h"
#include "settings/settings_store.h"

namespace orvanta {

// The file operations of SettingsStore on the Windows file system.
class Win32SettingsFiles final : public SettingsFiles {
public:
    std::size_t read(const std::string& path, std::uint8_t* buffer, std::size_t capacity) override;
    bool exists(const std::string& path) override;
    bool canWrite(const std::string& path) override;
    bool canCreateIn(const std::string& folder) override;
    bool createFolder(const std::string& folder) override;
    bool writeNew(const std::string& path, const std::uint8_t* data, std::size_t length) override;
    bool replace(const std::string& from, const std::string& to) override;
    void remove(const std::string& path) override;
};

// The executable's folder and the user's local application data folder,
// each ending in a backslash; empty when Windows does not give one.
std::string programFolder();
std::string perUserSettingsFolder();

class Win32SettingsStore final : public SettingsFileReader, public SettingsFileWriter {
public:
    Win32SettingsStore();

    std::size_t readSettingsFile(std::uint8_t* buffer, std::size_t capacity) override;
    void writeSettingsFile(const std::uint8_t* image, std::size_t length) override;

    // The file a save writes; the place is chosen at the first use.
    const std::string& settingsPath() { return store_.settingsPath(); }

private:
    Win32SettingsFiles files_;
    SettingsStore store_;
};

}  // namespace orvanta
