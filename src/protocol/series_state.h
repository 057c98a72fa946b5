/*
 * Where a keep-online series stands, for whoever shows it to the user.
 * The series runs for weeks on a PC nobody watches, so it reports its
 * state instead of stopping at a message box: collecting, waiting for its
 * port, paused with no window to type the records into, a collector that
 * has stopped answering, or the failure that ended the last transfer.
 */
#pragma once

#include <cstdint>

#include "protocol/status.h"

namespace orvanta {

enum class SeriesState { Idle, Collecting, WaitingForPort, NoRecordWindow, TransferFailed, StartedAgain, NoAnswer };

struct SeriesReport {
    SeriesState state = SeriesState::Idle;
    StatusCode result = StatusCode::Ok;   // the failure behind it, or Ok
    int comPort = 0;
    int pollingSeconds = 0;
    // NoAnswer: when the first of the unanswered READs went out, on the
    // engine's clock.
    std::uint64_t sinceUs = 0;

    bool operator==(const SeriesReport&) const = default;
};

}  // namespace orvanta
