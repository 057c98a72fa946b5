/*
 * Whether the COM device is still there. A USB-serial adapter that is
 * pulled out leaves its handle dead: every call on it fails from then on,
 * with codes that depend on the driver. The connection's worker must stop
 * looping on such a handle and the transfer must close it, so that the
 * port can be opened anew once the device is back.
 */
#pragma once

#include <atomic>
#include <cstdint>

namespace orvanta {

// Failures that mean the device has gone, with the platform's values:
// what drivers give for a removed adapter, and what wine gives for a
// pseudo-terminal whose other side has closed.
namespace PortError {
inline constexpr std::uint32_t FileNotFound = 2, AccessDenied = 5, InvalidHandle = 6, NotReady = 21,
                               BadCommand = 22, GenFailure = 31, BrokenPipe = 109, OperationAborted = 995,
                               DeviceRemoved = 1617;
}  // namespace PortError

// An aborted operation alone is no sign: a receive-event wait ends that
// way whenever the mask changes, and on some ports at every call. Only a
// run of them with no call in between that worked is.
constexpr std::uint32_t kAbortedRunLimit = 3;

bool meansDeviceGone(std::uint32_t error);

// Fed by the port's operations from both threads.
class PortHealth {
public:
    void noteFailure(std::uint32_t error);
    void noteSuccess() { abortedRun_ = 0; }
    // A request that did not end even when cancelled: the driver no
    // longer answers, whatever it may say later.
    void noteGivenUp() { lost_ = true; }
    bool lost() const { return lost_; }
    void reset();

private:
    std::atomic<bool> lost_{false};
    std::atomic<std::uint32_t> abortedRun_{0};
};

}  // namespace orvanta
