/*
 * What the program knows of the device behind a COM port, so that it can
 * tell the collector's adapter from any other and find it again when
 * Windows gives it another COM number.
 *
 * Windows names every device instance by its enumerator, its device id
 * and an instance part: USB\VID_1A86&PID_7523\5&2A3B4C1&0&3. A USB device
 * with a serial number has that serial number as the instance part, the
 * same in every USB socket. One without (most adapters sold with cradles)
 * gets a part that Windows makes up from the socket, recognisable by its
 * '&': the same adapter in another socket is another instance, and gets
 * another COM number. FTDI's own bus driver puts the serial number, with
 * the letter of the chip's channel after it, into the device id instead:
 * FTDIBUS\VID_0403+PID_6001+A50285BIA\0000. It is kept as it stands, so
 * that the two channels of a dual chip stay two adapters.
 *
 * Everything here is plain text work on what SetupAPI gave, kept apart
 * from the calls that get it.
 */
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

struct UsbIds {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;

    bool operator==(const UsbIds&) const = default;
};

struct PortAdapter {
    int portNumber = 0;             // COM9: 9
    std::string instanceId;         // empty: SetupAPI does not know the port
    std::optional<UsbIds> usb;      // none: not a USB device
    std::string serialNumber;       // empty: the instance carries none
    std::string locationPath;       // the first of the device's location paths
    std::string friendlyName;       // UTF-8, as Device Manager shows it

    bool operator==(const PortAdapter&) const = default;
};

// What SetupAPI says of one port's device, as text (UTF-8).
struct PortDeviceText {
    std::string portName;                     // "COM9", from the device's PortName
    std::string instanceId;
    std::vector<std::string> hardwareIds;
    std::vector<std::string> locationPaths;
    std::string friendlyName;
};

// VID_hhhh and PID_hhhh of a device id, in any case, after any separator.
std::optional<UsbIds> usbIdsIn(std::string_view deviceId);

// The serial number an instance id carries; empty when it carries none.
std::string serialNumberIn(std::string_view instanceId);

// The ids from the instance id, or else from the first hardware id that
// has them; portNumber 0 when the port name is no COM port's.
PortAdapter adapterOf(const PortDeviceText& device);

// The strings of a registry multi-string (REG_MULTI_SZ): up to the empty
// one that ends it, or the end of the data when a driver left out the
// last terminator.
std::vector<std::string> splitMultiString(std::string_view data);

// Device ids and serial numbers are compared as Windows does, without
// regard to case (it keeps them in upper case; a device may report them
// in lower).
bool sameIgnoringCase(std::string_view a, std::string_view b);

}  // namespace orvanta
