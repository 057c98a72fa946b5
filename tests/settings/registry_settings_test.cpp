#include <gtest/gtest.h>

#include <optional>

#include "fakes/fake_registry_values.h"
#include "settings/registry_settings.h"

namespace orvanta {
namespace {

using Value = std::optional<std::uint32_t>;

// A policy must win: the machine's value before the user's own, and of
// each only a value the program accepts.
TEST(RegistrySettings, TheMachinesValueWinsOverTheUsersWithinTheAcceptedValues)
{
    const struct {
        const char* name;
        RegistryDword dword;
        Value machine, user;
        std::uint32_t fallback, value;
        bool setByMachine;
    } table[] = {
        {"neither: the default", kTypeOnlyCharacters, {}, {}, 0, 0, false},
        {"the user's own", kTypeOnlyCharacters, {}, 1, 0, 1, false},
        {"the machine's off over the user's on", kTypeOnlyCharacters, 0, 1, 0, 0, true},
        {"the machine's on over the user's off", kTypeOnlyCharacters, 1, 0, 0, 1, true},
        {"a machine's value out of range counts as none", kTypeOnlyCharacters, 2, 1, 0, 1, false},
        {"a user's value out of range counts as none", kTypeOnlyCharacters, {}, 7, 0, 0, false},
        {"journal days of the machine", kJournalDays, 30, 400, 90, 30, true},
        {"journal days of the user", kJournalDays, {}, 400, 90, 400, false},
        {"no day is no value", kJournalDays, 0, {}, 90, 90, false},
        {"longest kept", kJournalDays, 3650, {}, 90, 3650, true},
        {"beyond ten years is no value", kJournalDays, 3651, 20, 90, 20, false},
    };
    for (const auto& row : table) {
        fakes::FakeRegistryValues registry;
        if (row.machine)
            registry.machine[row.dword.name] = *row.machine;
        if (row.user)
            registry.user[row.dword.name] = *row.user;
        const RegistryReading reading = readRegistryDword(registry, row.dword, row.fallback);
        EXPECT_EQ(reading.value, row.value) << row.name;
        EXPECT_EQ(reading.setByMachine, row.setByMachine) << row.name;
    }
}

}  // namespace
}  // namespace orvanta
