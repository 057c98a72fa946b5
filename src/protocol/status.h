/*
 * Failures the user has to see, as small negative codes, and the message
 * box that shows each one.
 */
#pragma once

#include <cstdint>

#include "platform/message_boxes.h"

namespace orvanta {

enum class StatusCode : std::int32_t {
    NoTypingTarget = -108,
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

// Operations that can fail give 1 (or more) on success and 0 or a status
// code on failure; this is the status code as such a result.
constexpr std::int32_t failure(StatusCode code) { return static_cast<std::int32_t>(code); }

const char* statusText(std::int32_t code);
const char* statusCaption(std::int32_t code);
void ShowStatus(MessageBoxes& boxes, WindowId owner, std::int32_t code);

// The exit code of an unattended run that started, for batch files: 1 when
// the transfer completed (result 1), otherwise the size of the status code
// that ended it (101 to 108); a port whose completion events could not be
// made (result 0) counts as a port that could not be opened.
int unattendedExitCode(std::int32_t result);

}  // namespace orvanta
