/*
 * Where a keep-online series stands, for whoever shows it to the user.
 * The series runs for weeks on a PC nobody watches, so it reports its
 * state instead of stopping at a message box: collecting, waiting for its
 * port, paused with no window to type into, or the failure that ended the
 * last transfer.
 */
#pragma once

#include <cstdint>

#include "protocol/status.h"

namespace orvanta {

enum class SeriesState { Idle, Collecting, WaitingForPort, NoTypingTarget, TransferFailed, StartedAgain };

struct SeriesReport {
    SeriesState state = SeriesState::Idle;
    StatusCode result = StatusCode::Ok;   // the failure behind it, or Ok
    int comPort = 0;
    int pollingSeconds = 0;

    bool operator==(const SeriesReport&) const = default;
};

class SeriesObserver {
public:
    virtual ~SeriesObserver() = default;
    // On the UI thread, at each change.
    virtual void seriesChanged(const SeriesReport& report) = 0;
    // On the UI thread, when a transfer that acknowledged records completed.
    virtual void batchDelivered(std::uint32_t /*records*/) {}
};

}  // namespace orvanta
