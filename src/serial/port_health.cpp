/*
 * Telling a dead COM device from a passing failure.
 */
#include "serial/port_health.h"

namespace orvanta {

bool meansDeviceGone(std::uint32_t error)
{
    switch (error) {
    case PortError::FileNotFound:
    case PortError::AccessDenied:
    case PortError::InvalidHandle:
    case PortError::NotReady:
    case PortError::BadCommand:
    case PortError::GenFailure:
    case PortError::BrokenPipe:
    case PortError::DeviceRemoved:
        return true;
    default:
        return false;
    }
}

void PortHealth::noteFailure(std::uint32_t error)
{
    if (meansDeviceGone(error))
        lost_ = true;
    else if (error == PortError::OperationAborted && ++abortedRun_ >= kAbortedRunLimit)
        lost_ = true;
}

void PortHealth::reset()
{
    lost_ = false;
    abortedRun_ = 0;
}

}  // namespace orvanta
