/*
 * The settings file on Windows: "Orvanta.ini" beside the executable.
 */
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/settings_file.h"

namespace orvanta {

class Win32SettingsStore final : public SettingsFileReader, public SettingsFileWriter {
public:
    // Works out settingsPath once; it stays the same for the whole run.
    Win32SettingsStore();

    std::size_t readSettingsFile(std::uint8_t* buffer, std::size_t capacity) override;
    void writeSettingsFile(const std::uint8_t* image, std::size_t length) override;

    const char* settingsPath() const { return settingsPath_; }

    static constexpr std::size_t kPathCapacity = 260;  // MAX_PATH

private:
    char settingsPath_[kPathCapacity];
};

}  // namespace orvanta
