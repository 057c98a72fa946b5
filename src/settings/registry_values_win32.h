/*
 * The settings' registry values on Windows: DWORDs under Software\Orvanta
 * of HKEY_LOCAL_MACHINE (the machine's, read only) and HKEY_CURRENT_USER
 * (the user's own).
 */
#pragma once

#include "settings/registry_settings.h"

namespace orvanta {

class Win32RegistryValues final : public RegistryValues {
public:
    std::optional<std::uint32_t> machineValue(const char* name) override;
    std::optional<std::uint32_t> userValue(const char* name) override;
    void setUserValue(const char* name, std::uint32_t value) override;
};

}  // namespace orvanta
