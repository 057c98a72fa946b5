/*
 * The collector's adapter, followed from one opening of its port to the
 * next. Before a connection claims its port, the tracker looks at the
 * ports present and says which number to open for the one the user chose:
 * that number while the adapter is there, the adapter's new number when
 * Windows gave it another, none when the number is now another device's
 * (which must hear nothing) or when two ports fit equally (the user
 * chooses). Once a port opens, what is behind it is kept as the adapter of
 * the chosen number, beside the settings; the settings themselves change
 * only when the user saves them.
 *
 * The connections' workers ask from their threads, the settings dialog
 * from the UI thread: everything here is behind one lock.
 */
#pragma once

#include <mutex>
#include <optional>
#include <vector>

#include "platform/adapter_finder.h"
#include "platform/adapter_memory.h"
#include "platform/port_inventory.h"
#include "protocol/status.h"

namespace orvanta {

struct PortChoice {
    // Ok: open `port`. PortOpenFailed: the chosen number is another
    // device's now. AdapterAmbiguous: the user is to choose.
    StatusCode status = StatusCode::Ok;
    int port = 0;
    // The adapter is under a number it was not under when last seen: the
    // user is told once the port opens.
    bool moved = false;
    std::optional<PortAdapter> adapter;   // what is behind `port`
    int keptFor = 0;                      // the chosen number it is kept for
};

class AdapterTracker {
public:
    AdapterTracker(PortInventory& inventory, AdapterMemory& memory) : inventory_(inventory), memory_(memory) {}

    PortChoice choose(int chosenPort);
    // The port of the choice is open: its device is the collector's adapter.
    void opened(const PortChoice& choice);

    // The number the chosen one stands for now: where its adapter last
    // opened.
    int portInUse(int chosenPort);
    // Where the chosen number's adapter last opened; 0 when none is known.
    int adapterPort(int chosenPort);
    // The ports the last look could not choose between; empty when none.
    std::vector<int> question();

private:
    std::optional<KeptAdapter> keptFor(int chosenPort);

    PortInventory& inventory_;
    AdapterMemory& memory_;
    std::mutex lock_;
    std::optional<KeptAdapter> kept_;
    bool recalled_ = false;
    std::vector<int> candidates_;
};

}  // namespace orvanta
