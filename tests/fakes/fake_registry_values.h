/*
 * The registry's values of the settings held in memory: the machine's and
 * the user's, by name, and every value the program wrote for the user.
 */
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "settings/registry_settings.h"

namespace orvanta::fakes {

class FakeRegistryValues final : public RegistryValues {
public:
    std::optional<std::uint32_t> machineValue(const char* name) override { return find(machine, name); }
    std::optional<std::uint32_t> userValue(const char* name) override { return find(user, name); }
    void setUserValue(const char* name, std::uint32_t value) override
    {
        user[name] = value;
        userWrites.emplace_back(name, value);
    }

    std::map<std::string, std::uint32_t> machine;
    std::map<std::string, std::uint32_t> user;
    std::vector<std::pair<std::string, std::uint32_t>> userWrites;

private:
    static std::optional<std::uint32_t> find(const std::map<std::string, std::uint32_t>& values, const char* name)
    {
        const auto found = values.find(name);
        return found == values.end() ? std::nullopt : std::optional<std::uint32_t>(found->second);
    }
};

}  // namespace orvanta::fakes
