/*
 * The message box that shows a failure to the user.
 */
#pragma once

#include <cstdint>

#include "platform/message_boxes.h"
#include "protocol/status.h"

namespace orvanta {

// OK button, exclamation icon, above all other windows.
constexpr std::uint32_t kStatusBoxStyle = 0x40030;

inline void showStatus(MessageBoxes& boxes, WindowId owner, StatusCode code)
{
    boxes.show(owner, statusText(code), statusCaption(code), kStatusBoxStyle);
}

}  // namespace orvanta
