/*
 * The COM ports present on this PC, as Windows lists them now.
 */
#pragma once

#include <vector>

#include "platform/port_inventory.h"

namespace orvanta {

// The ports of Win32PortInventory as the dialog names them. Takes some
// milliseconds: the dialog asks when it opens and when a device arrives
// or leaves.
std::vector<PresentPort> presentComPorts();

// SetupAPI (loaded from the system folder when first needed) and the
// registry's SERIALCOMM list, merged, with the adapter behind each port:
// its instance id, hardware ids, location paths and friendly name. Under
// wine, SetupAPI lists what the registry's Enum tree holds and gives no
// location paths.
class Win32PortInventory final : public PortInventory {
public:
    std::vector<PortAdapter> presentAdapters() override;
};

}  // namespace orvanta
