/*
 * The series: what runs the conversation on the UI thread. It starts a
 * transfer, takes every deadline of the protocol timer, and hears what the
 * system says about sleep, ports and the session. A one-shot transfer is
 * a series that ends with its first transfer, and what its end means (a
 * message box, an exit code) is the app's to say. With keep-online the
 * transfers form a series that only Stop, Close or the end of the session
 * ends: a transfer that fails closes the port, reports why, and the next
 * poll opens the port again.
 */
#pragma once

#include <cstdint>
#include <optional>

#include "protocol/conversation.h"
#include "protocol/series_state.h"
#include "protocol/watched_timer.h"
#include "settings/settings.h"

namespace orvanta {

// While no window can take a record, a one-shot transfer looks for one
// this often, as many times as it would send NAKs, then gives up.
constexpr std::uint32_t kTargetCheckMs = 500;
// A port that has just come back (after a resume, or an adapter plugged
// in) is opened this long after: drivers refuse an open right away.
constexpr std::uint32_t kReopenSettleMs = 2000;
// A series that has waited for nothing this long, or for a deadline this
// long overdue, is started again; the app looks every kWatchdogPeriodMs.
constexpr std::uint32_t kWatchdogGraceMs = 30000;
constexpr std::uint32_t kWatchdogPeriodMs = 10000;
// A series stopped by the question whether the session may end goes on at
// the session's word that it does; without that word, this much later.
constexpr std::uint32_t kSessionEndWaitMs = 60000;

// What the end of a one-shot transfer means to the program that ran it:
// Ok when it completed, otherwise the failure that ended it.
class TransferEnds {
public:
    virtual ~TransferEnds() = default;
    virtual void transferEnded(StatusCode result) = 0;
};

class Series {
public:
    Series(Conversation& conversation, TransferContext& transfer, RecordDelivery& delivery, const Settings& settings,
           WatchedTimer& timer);

    // Opens the port and sends the first "READ\r": Ok, or the failure, which
    // has been told and the port closed. A keep-online series always
    // starts: a failure only postpones it to the next poll.
    [[nodiscard]] StatusCode start();
    // Ends the transfer, and the keep-online series with it; Stop closes the
    // port first.
    void reset();
    void stop();
    void closePort();
    // True while a transfer or a keep-online series runs, port open or not.
    bool busy() const { return series_ || transfer_.running; }
    void onDeadline(Deadline deadline);
    // The watchdog: a keep-online series that can no longer go on by
    // itself (nothing armed, or its port's receive thread gone without a
    // word) is started again and says so. True when it was.
    bool watch(std::uint32_t nowMs);

    // What the system tells the UI thread. A keep-online series closes its
    // port before the PC sleeps (the session's end is a Stop); it opens it
    // again a settle pause after the resume or after the arrival of its
    // port (0: a port whose number is not known).
    void onSuspend();
    void onResume();
    void onPortArrived(int comPort);
    void onSessionEnding();
    void onSessionGoesOn();

    // Told where a keep-online series stands; told how a one-shot ended.
    SeriesObserver* observer = nullptr;
    TransferEnds* ends = nullptr;

private:
    enum class TargetWait { Ready, Waiting, GaveUp };

    [[nodiscard]] StatusCode openAndAskForRecords();
    // Opens and asks; a failure ends the transfer as it ends any other.
    StatusCode openOrEnd();
    void onReadDue();
    void onCompleted();
    TargetWait checkTypingTarget();
    void endTransfer(StatusCode result);
    void waitForNextPoll(SeriesState state, StatusCode result, std::uint32_t ms);
    std::uint32_t pollIntervalMs() const;
    std::uint32_t readTimeoutMs() const;
    void report(SeriesState state, StatusCode result = StatusCode::Ok);

    Conversation& conversation_;
    TransferContext& transfer_;
    RecordDelivery& delivery_;
    const Settings& settings_;
    WatchedTimer& timer_;
    bool series_ = false;   // a keep-online series runs (UI thread only)
    SeriesReport reported_;
    std::optional<std::uint32_t> lostSinceMs_;   // the watchdog's first look at an unseen loss
};

}  // namespace orvanta
