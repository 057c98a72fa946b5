/*
 * The settings record: everything the user can set, with its defaults and
 * accepted ranges, and the two code lists typed around every record.
 *
 * There is one Settings per process. It is written only on the UI thread
 * while no transfer runs (but for a choice the machine makes anew, which
 * a Group Policy can do at any time); what a worker needs of it is taken
 * when its work is given.
 */
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace orvanta {

// A list of at most 10 key codes, ended by the first 0 byte when shorter.
// In Settings (after a Start) and in the settings file a 13 is held as 127.
using CodeBuffer = std::array<std::uint8_t, 10>;

constexpr std::uint8_t kEnterCode = 13;
constexpr std::uint8_t kStoredEnterCode = 127;
constexpr std::size_t kMaxCodes = 10;
constexpr std::size_t kWorkingListSize = 16;

enum class TransmissionType : std::int32_t { RS232 = 0, CradleIR = 1 };

// A choice kept in the registry rather than the settings file
// (settings/registry_settings.h): the machine's, where it sets one, and
// the user's own otherwise.
struct RegistryChoice {
    bool on;
    bool setByMachine;
};

struct Settings {
    TransmissionType transmissionType;
    std::int32_t comPort;
    std::int8_t baudIndex;
    std::int8_t addCr;
    std::int8_t keepOnline;
    std::int32_t pollingSeconds;
    std::int32_t charDelayMs;
    std::int8_t prefixEnabled;
    CodeBuffer prefixCodes;
    std::int8_t suffixEnabled;
    CodeBuffer suffixCodes;
    // A record's data type no navigation key, function key or Esc: only
    // characters, Tab and Enter. Prefix and suffix codes are not touched.
    RegistryChoice typeOnlyCharacters;
};

// The settings dialog's working copies of the two lists, always in typing
// form (13 stays 13): at most 10 codes, then zero bytes to the end.
struct WorkingCodes {
    std::uint8_t workingPrefix[kWorkingListSize];
    std::uint8_t workingSuffix[kWorkingListSize];
};

// Accepted ranges, shared by the file, the command line and the dialog.
constexpr std::int32_t kMinComPort = 1, kMaxComPort = 255;
constexpr std::int32_t kMinPollingSeconds = 1, kMaxPollingSeconds = 999;
constexpr std::int32_t kMinCharDelayMs = 1, kMaxCharDelayMs = 255;
constexpr int kBaudCount = 5;

void applyDefaults(Settings& settings);

// Line rate of a baud index: 0 = 115200 ... 4 = 9600.
std::uint32_t baudRateOf(int baudIndex);

// Codes before the first 0 of a working list, at most 16.
std::size_t typedLength(const std::uint8_t (&list)[kWorkingListSize]);

// Dialog initialisation: the first 10 bytes of each working list come from
// the settings; bytes 10..15 are left as they are.
void loadWorkingCodes(const Settings& settings, WorkingCodes& working);

// Dialog Start: the settings take the first 10 bytes of each working list,
// then every 13 in them becomes 127 (file form).
void storeWorkingCodes(const WorkingCodes& working, Settings& settings);

// File form <-> typing form of one list.
void toFileForm(CodeBuffer& codes);

}  // namespace orvanta
