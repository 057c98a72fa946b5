/*
 * The settings kept in the registry instead of the settings file, as DWORD
 * values under Software\Orvanta, so that IT can set them for a PC: a value
 * under HKEY_LOCAL_MACHINE (written by an administrator, or by a Group
 * Policy with the templates in packaging/) is the machine's and wins over
 * the user's own under HKEY_CURRENT_USER, which the user cannot change
 * then. The names below are the ones the program reads; a test holds the
 * templates to them.
 *
 * The registry itself is behind RegistryValues, so that which value
 * counts is plain code, tested on a fake.
 */
#pragma once

#include <cstdint>
#include <optional>

#include "settings/settings.h"

namespace orvanta {

inline constexpr char kRegistryKey[] = "Software\\Orvanta";

// A DWORD value and the values it may take; any other counts as not set.
struct RegistryDword {
    const char* name;
    std::uint32_t lowest;
    std::uint32_t highest;
};

// How many days of journal files are kept.
inline constexpr RegistryDword kJournalDays{"JournalDays", 1, 3650};
// 1: a record's data types no navigation key, function key or Esc.
inline constexpr RegistryDword kTypeOnlyCharacters{"TypeOnlyCharacters", 0, 1};

class RegistryValues {
public:
    virtual ~RegistryValues() = default;
    // The DWORD of that name under kRegistryKey; none when it is missing
    // or of another type.
    virtual std::optional<std::uint32_t> machineValue(const char* name) = 0;
    virtual std::optional<std::uint32_t> userValue(const char* name) = 0;
    // Failures go unnoticed, as a settings file's do: the choice then
    // holds for this run only.
    virtual void setUserValue(const char* name, std::uint32_t value) = 0;
};

struct RegistryReading {
    std::uint32_t value;
    bool setByMachine;
};

// The machine's value where it has one that is accepted, else the user's,
// else the fallback.
RegistryReading readRegistryDword(RegistryValues& registry, const RegistryDword& dword, std::uint32_t fallback);

// The registry's part of Settings, over what the settings file gave.
void loadRegistrySettings(Settings& settings, RegistryValues& registry);

// Start keeps the user's own choices where the machine sets none.
void saveRegistrySettings(const Settings& settings, RegistryValues& registry);

}  // namespace orvanta
