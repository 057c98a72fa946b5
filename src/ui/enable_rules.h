/*
 * Which of the settings dialog's controls can be used. With `enable` false
 * (a transfer runs) only Stop can; otherwise everything but Stop, the
 * polling field only with keep-online, each code field only while its
 * list is switched on, and a choice kept in the registry only while the
 * machine does not make it. The rules follow Settings, that is the last
 * Start, not the current marks of the check boxes.
 */
#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "settings/settings.h"

namespace orvanta {

struct ControlState {
    int controlId;
    bool enabled;
    bool operator==(const ControlState&) const = default;
};

constexpr std::size_t kRuledControlCount = 18;

// Every control the rules touch (the up-down controls, Close, the group
// box and the other labels are never touched), with its state.
std::array<ControlState, kRuledControlCount> enableRules(bool enable, const Settings& settings);

// The controls that a check box switches on and off with its own mark.
std::span<const int> controlsFollowingBox(int boxId);

}  // namespace orvanta
