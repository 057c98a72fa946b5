/*
 * Enable rules of the settings dialog.
 */
#include "ui/enable_rules.h"

#include "res/resource.h"

namespace orvanta {
namespace {

enum class EnabledWhen { Idle, IdleAndKeepOnline, IdleAndPrefix, IdleAndSuffix, IdleAndUsersChoice, Transferring };

struct Rule {
    int controlId;
    EnabledWhen when;
};

constexpr Rule kRules[kRuledControlCount] = {
    {IDC_COM_PORT, EnabledWhen::Idle},
    {IDC_TRANSMISSION_TYPE, EnabledWhen::Idle},
    {IDC_BAUD_RATE, EnabledWhen::Idle},
    {IDC_ADD_CR, EnabledWhen::Idle},
    {IDC_KEEP_ONLINE, EnabledWhen::Idle},
    {IDC_POLLING_LABEL, EnabledWhen::IdleAndKeepOnline},
    {IDC_POLLING_SECONDS, EnabledWhen::IdleAndKeepOnline},
    {IDC_POLLING_RANGE, EnabledWhen::IdleAndKeepOnline},
    {IDC_DELAY_LABEL, EnabledWhen::Idle},
    {IDC_CHAR_DELAY, EnabledWhen::Idle},
    {IDC_DELAY_RANGE, EnabledWhen::Idle},
    {IDC_PREFIX_ENABLED, EnabledWhen::Idle},
    {IDC_SUFFIX_ENABLED, EnabledWhen::Idle},
    {IDC_PREFIX_CODES, EnabledWhen::IdleAndPrefix},
    {IDC_SUFFIX_CODES, EnabledWhen::IdleAndSuffix},
    {IDC_TYPE_ONLY_CHARACTERS, EnabledWhen::IdleAndUsersChoice},
    {IDC_START, EnabledWhen::Idle},
    {IDC_STOP, EnabledWhen::Transferring},
};

bool holds(EnabledWhen when, bool enable, const Settings& s)
{
    switch (when) {
    case EnabledWhen::Idle: return enable;
    case EnabledWhen::IdleAndKeepOnline: return enable && s.keepOnline != 0;
    case EnabledWhen::IdleAndPrefix: return enable && s.prefixEnabled != 0;
    case EnabledWhen::IdleAndSuffix: return enable && s.suffixEnabled != 0;
    case EnabledWhen::IdleAndUsersChoice: return enable && !s.typeOnlyCharacters.setByMachine;
    case EnabledWhen::Transferring: return !enable;
    }
    return false;
}

constexpr int kPollingControls[] = {IDC_POLLING_LABEL, IDC_POLLING_SECONDS, IDC_POLLING_RANGE};
constexpr int kPrefixControls[] = {IDC_PREFIX_CODES};
constexpr int kSuffixControls[] = {IDC_SUFFIX_CODES};

}  // namespace

std::array<ControlState, kRuledControlCount> enableRules(bool enable, const Settings& settings)
{
    std::array<ControlState, kRuledControlCount> states{};
    for (std::size_t i = 0; i < kRuledControlCount; ++i)
        states[i] = ControlState{kRules[i].controlId, holds(kRules[i].when, enable, settings)};
    return states;
}

std::span<const int> controlsFollowingBox(int boxId)
{
    switch (boxId) {
    case IDC_KEEP_ONLINE: return kPollingControls;
    case IDC_PREFIX_ENABLED: return kPrefixControls;
    case IDC_SUFFIX_ENABLED: return kSuffixControls;
    default: return {};
    }
}

}  // namespace orvanta
