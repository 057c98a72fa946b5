/*
 * The adapter's record as lines of "Name=value"; see adapter_memory.h.
 */
#include "platform/adapter_memory.h"

#include <cstdio>
#include <map>

#include "platform/port_inventory.h"

namespace orvanta {
namespace {

constexpr char kChosenPort[] = "ChosenPort";
constexpr char kPortName[] = "PortName";
constexpr char kInstanceId[] = "InstanceId";
constexpr char kVendorId[] = "VendorId";
constexpr char kProductId[] = "ProductId";
constexpr char kSerialNumber[] = "SerialNumber";
constexpr char kLocationPath[] = "LocationPath";
constexpr char kFriendlyName[] = "FriendlyName";

std::string fourHexDigits(std::uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
    return text;
}

void addLine(std::vector<std::string>& lines, const char* name, const std::string& value)
{
    if (!value.empty())
        lines.push_back(std::string(name) + '=' + value);
}

// The first line of a name counts; a line without '=' is no field.
std::map<std::string, std::string> fieldsOf(const std::vector<std::string>& lines)
{
    std::map<std::string, std::string> fields;
    for (const std::string& line : lines) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos && equals > 0)
            fields.emplace(line.substr(0, equals), line.substr(equals + 1));
    }
    return fields;
}

std::string field(const std::map<std::string, std::string>& fields, const char* name)
{
    const auto found = fields.find(name);
    return found == fields.end() ? std::string{} : found->second;
}

}  // namespace

std::vector<std::string> adapterRecordLines(const KeptAdapter& kept)
{
    const PortAdapter& adapter = kept.adapter;
    std::vector<std::string> lines;
    addLine(lines, kChosenPort, "COM" + std::to_string(kept.chosenPort));
    addLine(lines, kPortName, "COM" + std::to_string(adapter.portNumber));
    addLine(lines, kInstanceId, adapter.instanceId);
    if (adapter.usb) {
        addLine(lines, kVendorId, fourHexDigits(adapter.usb->vendorId));
        addLine(lines, kProductId, fourHexDigits(adapter.usb->productId));
    }
    addLine(lines, kSerialNumber, adapter.serialNumber);
    addLine(lines, kLocationPath, adapter.locationPath);
    addLine(lines, kFriendlyName, adapter.friendlyName);
    return lines;
}

std::optional<KeptAdapter> adapterFromRecordLines(const std::vector<std::string>& lines)
{
    const std::map<std::string, std::string> fields = fieldsOf(lines);
    KeptAdapter kept;
    PortAdapter& adapter = kept.adapter;
    adapter.portNumber = comPortNumber(field(fields, kPortName));
    if (adapter.portNumber == 0)
        return std::nullopt;
    adapter.instanceId = field(fields, kInstanceId);
    // The ids are read back as a device id would be read.
    adapter.usb = usbIdsIn("VID_" + field(fields, kVendorId) + "&PID_" + field(fields, kProductId));
    adapter.serialNumber = field(fields, kSerialNumber);
    adapter.locationPath = field(fields, kLocationPath);
    adapter.friendlyName = field(fields, kFriendlyName);
    kept.chosenPort = comPortNumber(field(fields, kChosenPort));
    if (kept.chosenPort == 0)
        kept.chosenPort = adapter.portNumber;
    return kept;
}

}  // namespace orvanta
