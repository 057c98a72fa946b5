#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "res/resource.h"
#include "ui/enable_rules.h"

namespace orvanta {
namespace {

std::set<int> enabledIds(bool enable, const Settings& settings)
{
    std::set<int> ids;
    for (const ControlState& state : enableRules(enable, settings)) {
        if (state.enabled)
            ids.insert(state.controlId);
    }
    return ids;
}

const std::set<int> kAlwaysWhenIdle = {IDC_COM_PORT,    IDC_TRANSMISSION_TYPE, IDC_BAUD_RATE,      IDC_ADD_CR,
                                       IDC_KEEP_ONLINE, IDC_DELAY_LABEL,       IDC_CHAR_DELAY,     IDC_DELAY_RANGE,
                                       IDC_PREFIX_ENABLED, IDC_SUFFIX_ENABLED, IDC_START};
const std::set<int> kIdle = [] {
    std::set<int> ids = kAlwaysWhenIdle;
    ids.insert(IDC_TYPE_ONLY_CHARACTERS);
    return ids;
}();

std::set<int> idlePlus(std::initializer_list<int> more)
{
    std::set<int> ids = kIdle;
    ids.insert(more);
    return ids;
}

TEST(EnableRules, WhichControlsCanBeUsed)
{
    const struct {
        const char* name;
        bool enable;
        std::int8_t keepOnline, prefixEnabled, suffixEnabled;
        std::set<int> enabled;
        bool setByMachine = false;
    } table[] = {
        {"transfer running", false, 1, 1, 1, {IDC_STOP}},
        {"transfer running, nothing on", false, 0, 0, 0, {IDC_STOP}},
        {"idle, nothing on", true, 0, 0, 0, kIdle},
        {"idle, the machine's choice of typing", true, 0, 0, 0, kAlwaysWhenIdle, true},
        {"idle, keep online", true, 1, 0, 0, idlePlus({IDC_POLLING_LABEL, IDC_POLLING_SECONDS, IDC_POLLING_RANGE})},
        {"idle, prefix", true, 0, 1, 0, idlePlus({IDC_PREFIX_CODES})},
        {"idle, suffix", true, 0, 0, 1, idlePlus({IDC_SUFFIX_CODES})},
        {"idle, everything on", true, 1, 1, 1,
         idlePlus({IDC_POLLING_LABEL, IDC_POLLING_SECONDS, IDC_POLLING_RANGE, IDC_PREFIX_CODES, IDC_SUFFIX_CODES})},
    };
    for (const auto& row : table) {
        Settings settings{};
        applyDefaults(settings);
        settings.keepOnline = row.keepOnline;
        settings.prefixEnabled = row.prefixEnabled;
        settings.suffixEnabled = row.suffixEnabled;
        settings.typeOnlyCharacters.setByMachine = row.setByMachine;
        EXPECT_EQ(enabledIds(row.enable, settings), row.enabled) << row.name;
    }
}

// The up-down controls, Close, the group box and the other labels keep
// whatever state they have.
TEST(EnableRules, TouchExactlyTheRuledControls)
{
    Settings settings{};
    std::set<int> touched;
    for (const ControlState& state : enableRules(true, settings))
        touched.insert(state.controlId);
    const std::set<int> expected = {
        IDC_COM_PORT,    IDC_TRANSMISSION_TYPE, IDC_BAUD_RATE,     IDC_ADD_CR,         IDC_KEEP_ONLINE,
        IDC_POLLING_LABEL, IDC_POLLING_SECONDS, IDC_POLLING_RANGE, IDC_DELAY_LABEL,    IDC_CHAR_DELAY,
        IDC_DELAY_RANGE, IDC_PREFIX_ENABLED,    IDC_SUFFIX_ENABLED, IDC_PREFIX_CODES,  IDC_SUFFIX_CODES,
        IDC_START,       IDC_STOP,              IDC_TYPE_ONLY_CHARACTERS};
    EXPECT_EQ(touched, expected);
}

TEST(EnableRules, EachCheckBoxSwitchesItsOwnControls)
{
    const struct {
        int box;
        std::vector<int> followers;
    } table[] = {
        {IDC_KEEP_ONLINE, {IDC_POLLING_LABEL, IDC_POLLING_SECONDS, IDC_POLLING_RANGE}},
        {IDC_PREFIX_ENABLED, {IDC_PREFIX_CODES}},
        {IDC_SUFFIX_ENABLED, {IDC_SUFFIX_CODES}},
        {IDC_ADD_CR, {}},
    };
    for (const auto& row : table) {
        const auto followers = controlsFollowingBox(row.box);
        EXPECT_EQ(std::vector<int>(followers.begin(), followers.end()), row.followers) << row.box;
    }
}

}  // namespace
}  // namespace orvanta
