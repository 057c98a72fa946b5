/*
 * Failures the user has to see, as small negative codes, and the message
 * box that shows each one.
 */
#pragma once

#include <cstdint>

#include "platform/message_boxes.h"

namespace orvanta {

enum StatusCode : std::int32_t {
    PortWriteFailed = -107,
    ConnectionFailed = -106,
    ReceiveTimeout = -105,
    ReadTimeout = -104,
    CradleSetupFailed = -103,
    ThreadStartFailed = -102,
    PortOpenFailed = -101,
    TooManyCodes = -99,
};

// OK button, exclamation icon, above all other windows.
constexpr std::uint32_t kStatusBoxStyle = 0x40030;

const char* statusText(std::int32_t code);
const char* statusCaption(std::int32_t code);
void ShowStatus(MessageBoxes& boxes, WindowId owner, std::int32_t code);

}  // namespace orvanta
