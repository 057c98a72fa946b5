/*
 * Reading a port's device from its ids; see port_adapter.h.
 */
#include "platform/port_adapter.h"

#include <algorithm>

#include "platform/port_inventory.h"

namespace orvanta {
namespace {

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isAlphanumeric(char c)
{
    return (c >= '0' && c <= '9') || (lower(c) >= 'a' && lower(c) <= 'z');
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (lower(c) >= 'a' && lower(c) <= 'f')
        return lower(c) - 'a' + 10;
    return -1;
}

// Four hex digits at `at`, with nothing alphanumeric right after them.
std::optional<std::uint16_t> fourHexDigits(std::string_view text, std::size_t at)
{
    if (at + 4 > text.size() || (at + 4 < text.size() && isAlphanumeric(text[at + 4])))
        return std::nullopt;
    unsigned value = 0;
    for (std::size_t i = at; i < at + 4; ++i) {
        const int digit = hexDigit(text[i]);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<std::uint16_t>(value);
}

// The value of a field such as "VID_1A86": the key must start the text or
// follow a separator, so that "XVID_1234" is no vendor id.
std::optional<std::uint16_t> hexField(std::string_view text, std::string_view key)
{
    for (std::size_t at = 0; at + key.size() <= text.size(); ++at) {
        if ((at == 0 || !isAlphanumeric(text[at - 1])) && sameIgnoringCase(text.substr(at, key.size()), key))
            return fourHexDigits(text, at + key.size());
    }
    return std::nullopt;
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::string_view::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

// A part Windows made up from the socket has an '&' in it.
std::string serialOrNothing(std::string_view part)
{
    return part.empty() || part.find('&') != std::string_view::npos ? std::string{} : std::string(part);
}

}  // namespace

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::optional<UsbIds> usbIdsIn(std::string_view deviceId)
{
    const auto vendor = hexField(deviceId, "VID_");
    const auto product = hexField(deviceId, "PID_");
    if (!vendor || !product)
        return std::nullopt;
    return UsbIds{*vendor, *product};
}

std::string serialNumberIn(std::string_view instanceId)
{
    const std::vector<std::string_view> parts = split(instanceId, '\\');
    if (parts.size() != 3)
        return {};
    if (sameIgnoringCase(parts[0], "USB"))
        return serialOrNothing(parts[2]);
    // VID_0403+PID_6001+<serial number>
    const std::vector<std::string_view> fields = split(parts[1], '+');
    if (sameIgnoringCase(parts[0], "FTDIBUS") && fields.size() == 3)
        return serialOrNothing(fields[2]);
    return {};
}

PortAdapter adapterOf(const PortDeviceText& device)
{
    PortAdapter adapter;
    adapter.portNumber = comPortNumber(device.portName);
    adapter.instanceId = device.instanceId;
    adapter.usb = usbIdsIn(device.instanceId);
    for (std::size_t i = 0; !adapter.usb && i < device.hardwareIds.size(); ++i)
        adapter.usb = usbIdsIn(device.hardwareIds[i]);
    adapter.serialNumber = serialNumberIn(device.instanceId);
    if (!device.locationPaths.empty())
        adapter.locationPath = device.locationPaths.front();
    adapter.friendlyName = device.friendlyName;
    return adapter;
}

std::vector<std::string> splitMultiString(std::string_view data)
{
    std::vector<std::string> strings;
    std::size_t start = 0;
    while (start < data.size() && data[start] != '\0') {
        const std::size_t end = std::min(data.find('\0', start), data.size());
        strings.emplace_back(data.substr(start, end - start));
        start = end + 1;
    }
    return strings;
}

}  // namespace orvanta
