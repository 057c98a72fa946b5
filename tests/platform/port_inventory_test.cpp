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
    for (const auto& row : table)
        EXPECT_EQ(listed(mergePortLists(row.devices, row.registry)), row.merged) << row.merged;
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
}

}  // namespace
}  // namespace orvanta
