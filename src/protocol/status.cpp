/*
 * Status texts and exit codes.
 */
#include "protocol/status.h"

namespace orvanta {

const char* statusText(StatusCode code)
{
    switch (code) {
    case StatusCode::NoRecordWindow: return "No window to type the records into !!";
    case StatusCode::PortWriteFailed: return "Failed to write the COM port!";
    case StatusCode::ConnectionFailed: return "Failed to establish connection !!";
    case StatusCode::ReceiveTimeout: return "Receive Time out !!";
    case StatusCode::ReadTimeout: return "Time out !!";
    case StatusCode::CradleSetupFailed: return "Unable to configure the IR device !!";
    case StatusCode::TooManyCodes: return "Too many characters !!(max: 10)";
    case StatusCode::AdapterAmbiguous: return "More than one COM port could be the collector's adapter!";
    case StatusCode::ThreadStartFailed:
    case StatusCode::PortOpenFailed:
    case StatusCode::PortInUse:
    default: return "Failed to open the COM port!";
    }
}

const char* statusCaption(StatusCode code)
{
    return code == StatusCode::TooManyCodes ? "Warning" : "Error";
}

int unattendedExitCode(StatusCode result)
{
    if (result == StatusCode::PortInUse || result == StatusCode::AdapterAmbiguous)
        result = StatusCode::PortOpenFailed;
    return result == StatusCode::Ok ? 1 : -static_cast<int>(result);
}

}  // namespace orvanta
