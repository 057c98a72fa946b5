/*
 * Which COM port the collector's adapter is on now. Windows gives a USB
 * adapter another COM number when it goes into another USB socket, or
 * when its driver is installed again; the number the user chose then
 * belongs to nothing, or to another device (a receipt printer, a scale)
 * that must hear nothing of the collector's protocol.
 *
 * The adapter is known by what the program saw of it when its port last
 * opened. It is looked for in the ports present now:
 *   - by its serial number, where both sides have one;
 *   - else by VID and PID, when exactly one present port has them and no
 *     serial number says it is another adapter (a serial number may be
 *     there on one PC and not on another, where Windows is told to ignore
 *     serial numbers);
 *   - else by the location path: the same socket of the same hub.
 * Two or more ports that fit equally well are the user's to choose; the
 * program never guesses between them. Where nothing can be told apart (no
 * adapter remembered yet, or no device known of any port), the chosen
 * number is used as it always was.
 */
#pragma once

#include <optional>
#include <vector>

#include "platform/port_adapter.h"

namespace orvanta {

enum class AdapterVerdict {
    UseChosen,               // the chosen number: the adapter is there, or no device can be told
    UseOther,                // the adapter is on another number now
    Ambiguous,               // several ports could be it: ask the user, wait meanwhile
    NotPresent,              // neither the adapter nor the chosen number is there: wait
    ChosenIsAnotherDevice,   // the chosen number is not the adapter's device, nor is any other
};

enum class AdapterMatch {
    None,
    PortNumber,      // nothing known to compare: the number alone
    InstanceId,      // the very device instance the adapter was
    SerialNumber,
    VidPid,
    LocationPath,
};

struct AdapterFinding {
    AdapterVerdict verdict = AdapterVerdict::NotPresent;
    int portNumber = 0;              // UseChosen, UseOther: the port to open
    AdapterMatch match = AdapterMatch::None;
    std::vector<int> candidates;     // Ambiguous: the ports to choose from, in the list's order
};

// The present port of that number; null when there is none.
const PortAdapter* portNumbered(const std::vector<PortAdapter>& present, int number);

// True when the adapter holds something to know it by again.
bool knowsDevice(const PortAdapter& adapter);

// remembered: the collector's adapter as last seen, none before its port
// first opened; chosenPort: the COM number of the settings; present: the
// ports there now, one per number.
AdapterFinding findAdapter(const std::optional<PortAdapter>& remembered, int chosenPort,
                           const std::vector<PortAdapter>& present);

}  // namespace orvanta
