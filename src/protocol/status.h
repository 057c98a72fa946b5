/*
 * How a transfer, or a step of one, came out: Ok, or one of the failures
 * the user has to see, as small negative codes, with the text and caption
 * of the message box that shows each one.
 */
#pragma once

#include <cstdint>

namespace orvanta {

enum class StatusCode : std::int32_t {
    Ok = 1,   // went on, or (at a transfer's end) completed
    AdapterAmbiguous = -110,   // several ports could be the collector's adapter: not opened
    PortInUse = -109,   // another Orvanta holds the port: not opened at all
    NoRecordWindow = -108,
    PortWriteFailed = -107,
    ConnectionFailed = -106,
    ReceiveTimeout = -105,
    ReadTimeout = -104,
    CradleSetupFailed = -103,
    ThreadStartFailed = -102,
    PortOpenFailed = -101,
    TooManyCodes = -99,
};

const char* statusText(StatusCode code);
const char* statusCaption(StatusCode code);

// The exit code of an unattended run, for batch files: 1 when the transfer
// completed, otherwise the size of the status code that ended it (101 to
// 108); a port another Orvanta holds, or a collector's adapter that more
// than one port could be, is a port that could not be opened (101).
int unattendedExitCode(StatusCode result);

}  // namespace orvanta
