/*
 * The COM ports present on this PC, by number, with the names Windows
 * gives them, so that the settings dialog can say what a port number is.
 *
 * Windows knows a port in up to three places: the device interfaces of
 * COM ports and the devices of the Ports class (both through SetupAPI,
 * which have the friendly names that Device Manager shows, such as "USB
 * Serial Port (COM3)"), and the registry's list of serial devices
 * (HARDWARE\DEVICEMAP\SERIALCOMM: device name and port name only), which
 * also holds ports whose drivers register no device interface. The lists
 * are merged here as plain code.
 *
 * PortInventory gives the same ports with what SetupAPI says of the
 * device behind each (port_adapter.h), for finding the collector's
 * adapter again; it is an interface so that those rules can be tested on
 * a list made up in the test.
 */
#pragma once

#include <string>
#include <vector>

#include "platform/port_adapter.h"

namespace orvanta {

constexpr int kMaxPortNumber = 255;

// One entry of one of the lists: its port name ("COM3"), and the friendly
// name (SetupAPI) or the device name ("\Device\Serial0", the registry).
struct PortSighting {
    std::string portName;
    std::string name;
};

struct PresentPort {
    int number;
    std::string name;   // what the user is shown for it
};

// The port number of a port name, "COM1" to "COM255" in any case; 0 for
// anything else (LPT ports, names with more behind the number).
int comPortNumber(const std::string& portName);

// The ports as the user is shown them: each number with its friendly
// name, or the device name where SetupAPI gave none.
std::vector<PresentPort> presentPortsOf(const std::vector<PortAdapter>& adapters);

// The text beside the COM port field. The port of the collector's adapter
// (adapterPort; 0 when none is known) says so first, as the field's
// width may cut the end.
std::string describePort(int number, const std::vector<PresentPort>& present, int adapterPort = 0);
// "COM3 and COM7", "COM2, COM3 and COM7".
std::string portList(const std::vector<int>& ports, const char* lastJoin = " and ");

class PortInventory {
public:
    virtual ~PortInventory() = default;
    // The COM ports present now, one per number in ascending order, each
    // with what is known of its device; a port that only the registry's
    // list names has its number and name alone.
    virtual std::vector<PortAdapter> presentAdapters() = 0;
};

// One entry per number: the first device that SetupAPI describes wins
// (a device is often listed twice, by its interface and by its class),
// with the first name any listing gives; the registry's list adds the
// ports SetupAPI does not know, and names those it gave no name.
std::vector<PortAdapter> mergeAdapterLists(const std::vector<PortAdapter>& devices,
                                           const std::vector<PortSighting>& registry);

}  // namespace orvanta
