/*
 * Entries in the Application event log under the source "Orvanta", whose
 * messages are the program's own message table (src/res/events.mc). The
 * installer registers the source; without it (a zip install) Windows still
 * keeps the entries, with their inserted texts but without the message.
 */
#pragma once

#include <windows.h>

#include "app/series_events.h"
#include "journal/event_throttle.h"

namespace orvanta {

class SystemEventLog {
public:
    ~SystemEventLog() { close(); }
    void open();
    void close();
    // Never more than one entry a minute for the same event.
    void report(const EventReport& event, std::uint64_t nowMs);

private:
    HANDLE source_ = nullptr;
    EventThrottle throttle_;
};

}  // namespace orvanta
