#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/port_inventory.h"

namespace orvanta {
namespace {

std::string listed(const std::vector<PresentPort>& ports)
{
    std::string text;
    for (const PresentPort& port : ports)
        text += std::to_string(port.number) + "=" + port.name + ";";
    return text;
}

// A device SetupAPI lists with only its port name and friendly name.
PortAdapter sighted(const PortSighting& device)
{
    return PortAdapter{comPortNumber(device.portName), "", std::nullopt, "", "", device.name};
}

// SetupAPI's devices (interface and Ports class, so often twice) and the
// registry's list: one entry per number, friendly names first.
TEST(PortInventory, MergesTheDeviceAndRegistryListsByNumber)
{
    const struct {
        std::vector<PortSighting> devices, registry;
        const char* merged;
    } table[] = {
        {{{"COM3", "USB Serial Port (COM3)"}, {"COM3", "USB Serial Port (COM3)"}},
         {{"COM3", "\\Device\\VCP0"}},
         "3=USB Serial Port (COM3);"},
        {{}, {{"COM1", "\\Device\\Serial0"}}, "1=Serial0;"},
        {{{"COM7", "Bluetooth Link (COM7)"}}, {}, "7=Bluetooth Link (COM7);"},
        {{{"COM4", ""}, {"COM4", "Cradle (COM4)"}}, {}, "4=Cradle (COM4);"},
        {{{"COM12", "B"}, {"LPT1", "Printer Port (LPT1)"}, {"COM256", "x"}, {"COM05", "x"}, {"COM2x", "x"}},
         {{"com2", "\\Device\\Serial1"}},
         "2=Serial1;12=B;"},
    };
    for (const auto& row : table) {
        std::vector<PortAdapter> devices;
        for (const PortSighting& device : row.devices)
            devices.push_back(sighted(device));
        EXPECT_EQ(listed(presentPortsOf(mergeAdapterLists(devices, row.registry))), row.merged) << row.merged;
    }
}

TEST(PortInventory, DescribesAPortOrSaysItIsNotPresent)
{
    const std::vector<PresentPort> present = {{1, "Serial0"}, {3, "USB Serial Port (COM3)"}, {30, ""}};
    const struct {
        int number;
        const char* text;
    } table[] = {
        {1, "Serial0 (COM1)"},
        {3, "USB Serial Port (COM3)"},
        {30, "COM30"},
        {7, "COM7: not present on this PC"},
    };
    for (const auto& row : table)
        EXPECT_EQ(describePort(row.number, present), row.text);
    EXPECT_EQ(describePort(3, present, 3), "Collector's adapter: USB Serial Port (COM3)");
    EXPECT_EQ(describePort(1, present, 3), "Serial0 (COM1)");
    EXPECT_EQ(portList({2, 3, 7}, " or "), "COM2, COM3 or COM7");
}

// A device listed by its interface and by its class is one port; a port
// SetupAPI does not describe keeps the registry's name.
TEST(PortInventory, MergesTheAdaptersWithTheRegistryListByNumber)
{
    const PortAdapter ch340{9, "USB\\VID_1A86&PID_7523\\5&2A3B4C1&0&3", UsbIds{0x1A86, 0x7523}, "", "", "CH340"};
    const PortAdapter unnamed{9, "", std::nullopt, "", "", "CH340"};
    const PortAdapter serial0{1, "", std::nullopt, "", "", "Serial0"};
    const struct {
        std::vector<PortAdapter> devices;
        std::vector<PortSighting> registry;
        std::vector<PortAdapter> merged;
    } table[] = {
        {{ch340, ch340}, {{"COM9", "\\Device\\VCP0"}}, {ch340}},
        {{unnamed, ch340}, {}, {ch340}},
        {{ch340}, {{"COM1", "\\Device\\Serial0"}}, {serial0, ch340}},
        {{PortAdapter{0, "ROOT\\LPT\\0000", std::nullopt, "", "", "Printer Port (LPT1)"}}, {}, {}},
    };
    for (const auto& row : table)
        EXPECT_EQ(mergeAdapterLists(row.devices, row.registry), row.merged);
}

}  // namespace
}  // namespace orvanta
