/*
 * Which registry value counts: the machine's before the user's, each only
 * within the values the program accepts.
 */
#include "settings/registry_settings.h"

namespace orvanta {
namespace {

bool accepted(const std::optional<std::uint32_t>& value, const RegistryDword& dword)
{
    return value && *value >= dword.lowest && *value <= dword.highest;
}

}  // namespace

RegistryReading readRegistryDword(RegistryValues& registry, const RegistryDword& dword, std::uint32_t fallback)
{
    if (const auto machine = registry.machineValue(dword.name); accepted(machine, dword))
        return {*machine, true};
    if (const auto user = registry.userValue(dword.name); accepted(user, dword))
        return {*user, false};
    return {fallback, false};
}

void loadRegistrySettings(Settings& settings, RegistryValues& registry)
{
    const RegistryReading charactersOnly = readRegistryDword(registry, kTypeOnlyCharacters, 0);
    settings.typeOnlyCharacters = RegistryChoice{charactersOnly.value != 0, charactersOnly.setByMachine};
}

void saveRegistrySettings(const Settings& settings, RegistryValues& registry)
{
    if (!settings.typeOnlyCharacters.setByMachine)
        registry.setUserValue(kTypeOnlyCharacters.name, settings.typeOnlyCharacters.on ? 1 : 0);
}

}  // namespace orvanta
