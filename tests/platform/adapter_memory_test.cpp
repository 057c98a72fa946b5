#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fakes/fake_adapters.h"
#include "platform/adapter_memory.h"

namespace orvanta {
namespace {

// Every field comes back as it was kept, text of any language and an '='
// in a name included.
TEST(AdapterMemory, ReadsBackTheAdapterItKept)
{
    const PortAdapter table[] = {
        {9, "USB\\VID_1A86&PID_7523\\5&2A3B4C1&0&3", UsbIds{0x1A86, 0x7523}, "", "PCIROOT(0)#USB(3)",
         "USB-SERIAL CH340 (COM9)"},
        {3, "USB\\VID_0403&PID_6001\\A50285BI", UsbIds{0x0403, 0x6001}, "A50285BI", "",
         "P\xC3\xA9riph\xC3\xA9rique s\xC3\xA9rie USB (COM3) = c\xC3\xA2" "ble"},
        {255, "ACPI\\PNP0501\\1", std::nullopt, "", "", ""},
    };
    for (const PortAdapter& adapter : table) {
        fakes::FakeAdapterMemory memory;
        memory.remember({1, adapter});
        EXPECT_EQ(memory.recall(), (KeptAdapter{1, adapter})) << adapter.instanceId;
    }
}

// What was kept by hand, by a later build, or damaged.
TEST(AdapterMemory, ReadsWhatItCanOfARecordAndNothingWithoutAPort)
{
    const struct {
        std::vector<std::string> lines;
        std::optional<KeptAdapter> kept;
    } table[] = {
        {{"InstanceId=USB\\VID_1A86&PID_7523\\X"}, std::nullopt},
        {{"PortName=LPT1", "ChosenPort=COM1"}, std::nullopt},
        {{"PortName=COM9", "VendorId=1A8G", "ProductId=7523"}, KeptAdapter{9, {9, "", std::nullopt, "", "", ""}}},
        {{"PortName=COM9", "PortName=COM4", "Later=1", "no field", "=x", "SerialNumber=S1", "ChosenPort=COM2"},
         KeptAdapter{2, {9, "", std::nullopt, "S1", "", ""}}},
    };
    for (const auto& row : table) {
        fakes::FakeAdapterMemory memory;
        memory.lines = row.lines;
        EXPECT_EQ(memory.recall(), row.kept) << testing::PrintToString(row.lines);
    }
}

}  // namespace
}  // namespace orvanta
