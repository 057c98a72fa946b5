/*
 * The COM ports present on this PC, as Windows lists them now.
 */
#pragma once

#include <vector>

#include "platform/port_inventory.h"

namespace orvanta {

// SetupAPI (loaded from the system folder when first needed) and the
// registry's SERIALCOMM list, merged. Takes some milliseconds: the dialog
// asks when it opens and when a device arrives or leaves.
std::vector<PresentPort> presentComPorts();

}  // namespace orvanta
