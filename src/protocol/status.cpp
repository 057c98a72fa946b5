/*
 * Status texts. A port whose completion events cannot be created (result
 * 0 of opening the port) is reported like any other failed open.
 */
#include "protocol/status.h"

namespace orvanta {

const char* statusText(std::int32_t code)
{
    switch (static_cast<StatusCode>(code)) {
    case StatusCode::NoTypingTarget: return "No window to type the records into !!";
    case StatusCode::PortWriteFailed: return "Failed to write the COM port!";
    case StatusCode::ConnectionFailed: return "Failed to establish connection !!";
    case StatusCode::ReceiveTimeout: return "Receive Time out !!";
    case StatusCode::ReadTimeout: return "Time out !!";
    case StatusCode::CradleSetupFailed: return "Unable to configure the IR device !!";
    case StatusCode::TooManyCodes: return "Too many characters !!(max: 10)";
    case StatusCode::ThreadStartFailed:
    case StatusCode::PortOpenFailed:
    default: return "Failed to open the COM port!";
    }
}

const char* statusCaption(std::int32_t code)
{
    return (code < -100 || code >= 0) ? "Error" : "Warning";
}

int unattendedExitCode(std::int32_t result)
{
    if (result == 1)
        return 1;
    if (result == 0)
        return -failure(StatusCode::PortOpenFailed);
    return -result;
}

void ShowStatus(MessageBoxes& boxes, WindowId owner, std::int32_t code)
{
    boxes.show(owner, statusText(code), statusCaption(code), kStatusBoxStyle);
}

}  // namespace orvanta
