/*
 * Merging the port lists and wording a port; see port_inventory.h.
 */
#include "platform/port_inventory.h"

#include <algorithm>
#include <map>

namespace orvanta {
namespace {

// "\Device\Serial0" says more as "Serial0".
std::string deviceShortName(const std::string& deviceName)
{
    const std::size_t lastBackslash = deviceName.rfind('\\');
    return lastBackslash == std::string::npos ? deviceName : deviceName.substr(lastBackslash + 1);
}

}  // namespace

int comPortNumber(const std::string& portName)
{
    if (portName.size() < 4 || portName.size() > 6 || !sameIgnoringCase(portName.substr(0, 3), "COM") ||
        portName[3] == '0')
        return 0;
    int number = 0;
    for (std::size_t i = 3; i < portName.size(); ++i) {
        if (portName[i] < '0' || portName[i] > '9')
            return 0;
        number = number * 10 + (portName[i] - '0');
    }
    return number <= kMaxPortNumber ? number : 0;
}

std::vector<PresentPort> presentPortsOf(const std::vector<PortAdapter>& adapters)
{
    std::vector<PresentPort> ports;
    for (const PortAdapter& adapter : adapters)
        ports.push_back({adapter.portNumber, adapter.friendlyName});
    return ports;
}

// Friendly names mostly end in "(COMn)" already; a bare name gets it.
std::string describePort(int number, const std::vector<PresentPort>& present, int adapterPort)
{
    if (number == adapterPort)
        return "Collector's adapter: " + describePort(number, present);
    const std::string port = "COM" + std::to_string(number);
    const auto found = std::find_if(present.begin(), present.end(),
                                    [number](const PresentPort& p) { return p.number == number; });
    if (found == present.end())
        return port + ": not present on this PC";
    if (found->name.empty())
        return port;
    if (found->name.find("(" + port + ")") != std::string::npos)
        return found->name;
    return found->name + " (" + port + ")";
}

std::string portList(const std::vector<int>& ports, const char* lastJoin)
{
    std::string text;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (i > 0)
            text += i + 1 == ports.size() ? lastJoin : ", ";
        text += "COM" + std::to_string(ports[i]);
    }
    return text;
}

std::vector<PortAdapter> mergeAdapterLists(const std::vector<PortAdapter>& devices,
                                           const std::vector<PortSighting>& registry)
{
    std::map<int, PortAdapter> merged;
    for (const PortAdapter& device : devices) {
        if (device.portNumber < 1 || device.portNumber > kMaxPortNumber)
            continue;
        const auto [entry, added] = merged.try_emplace(device.portNumber, device);
        PortAdapter& kept = entry->second;
        if (!added && kept.instanceId.empty() && !device.instanceId.empty())
            kept = PortAdapter{device.portNumber, device.instanceId, device.usb, device.serialNumber,
                               device.locationPath, device.friendlyName.empty() ? kept.friendlyName : device.friendlyName};
        else if (kept.friendlyName.empty())
            kept.friendlyName = device.friendlyName;
    }
    for (const PortSighting& entry : registry) {
        const int number = comPortNumber(entry.portName);
        if (number == 0)
            continue;
        PortAdapter& kept = merged[number];
        kept.portNumber = number;
        if (kept.friendlyName.empty())
            kept.friendlyName = deviceShortName(entry.name);
    }
    std::vector<PortAdapter> ports;
    for (const auto& entry : merged)
        ports.push_back(entry.second);
    return ports;
}

}  // namespace orvanta
