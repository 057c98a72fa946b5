#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/adapter_finder.h"

namespace orvanta {
namespace {

constexpr char kSocket3[] = "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(3)";
constexpr char kSocket4[] = "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(4)";

// A port as the inventory gives it, read from its ids as on Windows.
PortAdapter port(int number, const char* instanceId, const char* locationPath = "")
{
    return adapterOf({"COM" + std::to_string(number), instanceId, {}, {locationPath}, ""});
}

// Cradle adapters without serial numbers, each named after its socket.
PortAdapter ch340InSocket3(int number) { return port(number, "USB\\VID_1A86&PID_7523\\5&2A3B4C1&0&3", kSocket3); }
PortAdapter ch340InSocket4(int number) { return port(number, "USB\\VID_1A86&PID_7523\\5&2A3B4C1&0&4", kSocket4); }
PortAdapter ch340InSocket5(int number) { return port(number, "USB\\VID_1A86&PID_7523\\5&2A3B4C1&0&5"); }
// FTDI adapters with serial numbers; the first also where Windows is told
// to ignore serial numbers.
PortAdapter ftdi(int number) { return port(number, "USB\\VID_0403&PID_6001\\A50285BI"); }
PortAdapter ftdiWithoutSerial(int number) { return port(number, "USB\\VID_0403&PID_6001\\5&2A3B4C1&0&2"); }
PortAdapter otherFtdi(int number) { return port(number, "USB\\VID_0403&PID_6001\\B71123CD"); }
// A port that only the registry's list names.
PortAdapter legacy(int number) { return PortAdapter{number, "", std::nullopt, "", "", "Serial0"}; }

std::string verdictText(const AdapterFinding& finding)
{
    static const char* const verdicts[] = {"use chosen", "use other", "ask", "wait", "another device"};
    static const char* const matches[] = {"", "number", "instance", "serial", "VID/PID", "location"};
    std::string text = verdicts[static_cast<int>(finding.verdict)];
    text += ' ';
    text += std::to_string(finding.portNumber);
    text += ' ';
    text += matches[static_cast<int>(finding.match)];
    for (int candidate : finding.candidates) {
        text += ' ';
        text += std::to_string(candidate);
    }
    return text;
}

struct Row {
    const char* what;
    std::optional<PortAdapter> remembered;
    int chosen;
    std::vector<PortAdapter> present;
    const char* finding;
};

void check(const std::vector<Row>& table)
{
    for (const Row& row : table)
        EXPECT_EQ(verdictText(findAdapter(row.remembered, row.chosen, row.present)), row.finding) << row.what;
}

TEST(AdapterFinder, FindsTheAdapterUnderWhateverNumberWindowsGaveIt)
{
    check({
        {"nothing remembered yet", std::nullopt, 1, {ftdi(1)}, "use chosen 1 number"},
        {"same instance, same number", ch340InSocket3(1), 1, {ch340InSocket3(1), ftdi(5)}, "use chosen 1 instance"},
        {"by serial number, under another bus driver",
         port(3, "FTDIBUS\\VID_0403+PID_6001+A50285BI\\0000"), 3, {ftdi(7), otherFtdi(8)}, "use other 7 serial"},
        {"by VID/PID, moved to another socket", ch340InSocket3(1), 1, {otherFtdi(5), ch340InSocket4(9)},
         "use other 9 VID/PID"},
        {"by location, the same socket under a new instance", ch340InSocket3(1), 1,
         {ch340InSocket4(9), port(11, "USB\\VID_1A86&PID_7523\\6&9F8E7D6&0&3", kSocket3)}, "use other 11 location"},
        {"serial number there, absent on this PC", ftdi(3), 3, {ftdiWithoutSerial(6), ch340InSocket4(9)},
         "use other 6 VID/PID"},
        {"serial number absent there, present on this PC", ftdiWithoutSerial(6), 6, {ftdi(3)}, "use other 3 VID/PID"},
        {"chosen number now another device, adapter elsewhere", ch340InSocket3(1), 1,
         {otherFtdi(1), ch340InSocket4(9)}, "use other 9 VID/PID"},
        {"no device known of any port", ch340InSocket3(1), 1, {legacy(1), legacy(5)}, "use chosen 1 number"},
    });
}

TEST(AdapterFinder, WaitsOrAsksWhenTheAdapterCannotBeTold)
{
    check({
        {"nothing remembered, chosen number absent", std::nullopt, 1, {ftdi(5)}, "wait 0 "},
        {"adapter and chosen number absent", ch340InSocket3(1), 1, {otherFtdi(5)}, "wait 0 "},
        {"chosen number now another kind of device", ch340InSocket3(1), 1, {otherFtdi(1)}, "another device 0 "},
        {"chosen number now another adapter of the same kind", ftdi(3), 3, {otherFtdi(3)}, "another device 0 "},
        {"chosen number a device that cannot be told", ch340InSocket3(1), 1, {legacy(1), ftdi(5)},
         "another device 0 "},
        {"two adapters of the same kind without serial numbers", ch340InSocket3(1), 1,
         {ch340InSocket4(9), ch340InSocket5(10)}, "ask 0 VID/PID 9 10"},
        {"one of the two on the chosen number", ch340InSocket3(1), 1, {ch340InSocket4(1), ch340InSocket5(10)},
         "ask 0 VID/PID 1 10"},
    });
}

}  // namespace
}  // namespace orvanta
