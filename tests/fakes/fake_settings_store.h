/*
 * A settings file held in memory, and a readable text of a whole Settings
 * record so that tests compare all fields at once and a failure shows
 * which field differs.
 */
#pragma once

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "settings/settings_file.h"

namespace orvanta::fakes {

using Bytes = std::vector<std::uint8_t>;

class FakeSettingsStore final : public SettingsFileReader, public SettingsFileWriter {
public:
    std::size_t readSettingsFile(std::uint8_t* buffer, std::size_t capacity) override
    {
        readCapacities.push_back(capacity);
        const std::size_t count = std::min(file.size(), capacity);
        std::copy_n(file.begin(), count, buffer);
        return count;
    }

    void writeSettingsFile(const std::uint8_t* image, std::size_t length) override
    {
        file.assign(image, image + length);
        ++writes;
    }

    Bytes file;  // empty: no file, or one that cannot be read
    int writes = 0;
    std::vector<std::size_t> readCapacities;
};

inline Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

inline std::string settingsText(const Settings& s)
{
    std::ostringstream out;
    out << "type " << static_cast<int>(s.transmissionType) << ", COM " << s.comPort << ", baud " << int{s.baudIndex}
        << ", CR " << int{s.addCr} << ", online " << int{s.keepOnline} << ", polling " << s.pollingSeconds
        << ", delay " << s.charDelayMs << "\nprefix " << int{s.prefixEnabled} << ':';
    for (std::uint8_t code : s.prefixCodes)
        out << ' ' << int{code};
    out << "\nsuffix " << int{s.suffixEnabled} << ':';
    for (std::uint8_t code : s.suffixCodes)
        out << ' ' << int{code};
    return out.str();
}

// The seven values of the file's lines and the command line's fields, in
// their order, so that tables can spell out a whole expected result.
struct SevenValues {
    std::int32_t transmissionType, comPort;
    std::int8_t baudIndex, addCr, keepOnline;
    std::int32_t pollingSeconds, charDelayMs;
};

inline void setSeven(Settings& s, const SevenValues& v)
{
    s.transmissionType = static_cast<TransmissionType>(v.transmissionType);
    s.comPort = v.comPort;
    s.baudIndex = v.baudIndex;
    s.addCr = v.addCr;
    s.keepOnline = v.keepOnline;
    s.pollingSeconds = v.pollingSeconds;
    s.charDelayMs = v.charDelayMs;
}

inline Settings defaultSettings()
{
    Settings settings{};
    applyDefaults(settings);
    return settings;
}

}  // namespace orvanta::fakes
