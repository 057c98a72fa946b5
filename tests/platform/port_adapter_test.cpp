#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/port_adapter.h"

namespace orvanta {
namespace {

std::string described(const PortAdapter& adapter)
{
    char ids[16] = "no USB";
    if (adapter.usb)
        std::snprintf(ids, sizeof ids, "%04X:%04X", adapter.usb->vendorId, adapter.usb->productId);
    return "COM" + std::to_string(adapter.portNumber) + " " + ids + " serial '" + adapter.serialNumber + "' at '" +
           adapter.locationPath + "'";
}

// The ids and the serial number as Windows and FTDI's bus driver write
// them, and ids that only look alike.
TEST(PortAdapter, ReadsTheAdapterFromItsDeviceIds)
{
    const struct {
        PortDeviceText device;
        const char* adapter;
    } table[] = {
        {{"COM9", "USB\\VID_1A86&PID_7523\\5&2A3B4C1&0&3", {}, {"PCIROOT(0)#USB(3)", "ACPI(_SB_)#USB(3)"}, ""},
         "COM9 1A86:7523 serial '' at 'PCIROOT(0)#USB(3)'"},
        {{"COM3", "USB\\VID_0403&PID_6001\\A50285BI", {}, {}, ""}, "COM3 0403:6001 serial 'A50285BI' at ''"},
        {{"COM3", "usb\\vid_067b&pid_2303\\a1b2", {}, {}, ""}, "COM3 067B:2303 serial 'a1b2' at ''"},
        {{"COM4", "FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000", {}, {}, ""}, "COM4 0403:6001 serial 'A50285BIA' at ''"},
        {{"COM4", "FTDIBUS\\VID_0403+PID_6001+5&2C5B9B5&0&2\\0000", {}, {}, ""}, "COM4 0403:6001 serial '' at ''"},
        {{"COM5", "USB\\VID_2341&PID_8036&MI_00\\6&3A2B1C&0&0000", {}, {}, ""}, "COM5 2341:8036 serial '' at ''"},
        {{"COM6", "ROOT\\PORTS\\0000", {"CRADLE", "USB\\VID_10C4&PID_EA60&REV_0100"}, {}, ""},
         "COM6 10C4:EA60 serial '' at ''"},
        {{"COM1", "ACPI\\PNP0501\\1", {"ACPI\\PNP0501"}, {}, ""}, "COM1 no USB serial '' at ''"},
        {{"COM8", "USB\\VID_1A8G&PID_7523\\X1", {"USB\\XVID_1A86&PID_7523", "USB\\VID_1A86&PID_75230"}, {}, ""},
         "COM8 no USB serial 'X1' at ''"},
    };
    for (const auto& row : table)
        EXPECT_EQ(described(adapterOf(row.device)), row.adapter) << row.device.instanceId;
}

TEST(PortAdapter, SplitsARegistryMultiString)
{
    using namespace std::string_literals;
    const struct {
        std::string data;
        std::vector<std::string> strings;
    } table[] = {
        {"USB\\A\0USB\\B\0\0"s, {"USB\\A", "USB\\B"}},
        {"USB\\A\0USB\\B"s, {"USB\\A", "USB\\B"}},   // the last terminator left out
        {"USB\\A\0\0stale\0\0"s, {"USB\\A"}},       // nothing after the list's end counts
        {""s, {}},
        {"\0\0"s, {}},
    };
    for (const auto& row : table)
        EXPECT_EQ(splitMultiString(row.data), row.strings) << row.data;
}

}  // namespace
}  // namespace orvanta
