#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "fakes/fake_adapters.h"
#include "serial/adapter_tracker.h"

namespace orvanta {
namespace {

PortAdapter ch340(int number, const char* socket)
{
    return adapterOf({"COM" + std::to_string(number), std::string("USB\\VID_1A86&PID_7523\\5&2A3B4C1&0&") + socket,
                      {}, {}, ""});
}
const PortAdapter kPrinter = adapterOf({"COM5", "USB\\VID_0403&PID_6001\\A50285BI", {}, {}, ""});
const PortAdapter kPrinterOnCom1 = adapterOf({"COM1", "USB\\VID_0403&PID_6001\\A50285BI", {}, {}, ""});
const PortAdapter kWinePort{1, "", std::nullopt, "", "", "Serial0"};

// What the tracker keeps, says and chooses over one user's days: the
// adapter seen where it was chosen, followed to another socket (said once,
// kept for the number the user chose, also once the number in use is
// saved), and given up for the user's own choice of another number.
TEST(AdapterTracker, FollowsTheAdapterOfTheChosenNumberAndKeepsItForThatNumber)
{
    struct Step {
        int chosen;
        std::vector<PortAdapter> present;
        StatusCode status;
        int port;
        bool moved;
        std::optional<KeptAdapter> keptAfter;
        std::vector<int> question;
    };
    const KeptAdapter atFirst{1, ch340(1, "3")}, moved{1, ch340(9, "4")}, chosenAnew{7, ch340(7, "5")};
    const Step days[] = {
        {1, {kWinePort}, StatusCode::Ok, 1, false, std::nullopt, {}},
        {1, {ch340(1, "3"), kPrinter}, StatusCode::Ok, 1, false, atFirst, {}},
        {1, {kPrinter, ch340(9, "4")}, StatusCode::Ok, 9, true, moved, {}},
        {1, {kPrinter, ch340(9, "4")}, StatusCode::Ok, 9, false, moved, {}},
        {1, {ch340(1, "7"), kPrinter, ch340(3, "4")}, StatusCode::Ok, 3, true, KeptAdapter{1, ch340(3, "4")}, {}},
        {1, {ch340(2, "1"), ch340(7, "5")}, StatusCode::AdapterAmbiguous, 0, false, KeptAdapter{1, ch340(3, "4")},
         {2, 7}},
        {1, {kPrinterOnCom1}, StatusCode::PortOpenFailed, 0, false, KeptAdapter{1, ch340(3, "4")}, {}},
        {3, {ch340(2, "1"), ch340(3, "4")}, StatusCode::Ok, 3, false, KeptAdapter{1, ch340(3, "4")}, {}},
        {7, {ch340(3, "4"), ch340(7, "5")}, StatusCode::Ok, 7, false, chosenAnew, {}},
    };
    fakes::FakePortInventory inventory;
    fakes::FakeAdapterMemory memory;
    AdapterTracker tracker(inventory, memory);
    int day = 0;
    for (const Step& step : days) {
        inventory.present = step.present;
        const PortChoice choice = tracker.choose(step.chosen);
        EXPECT_EQ(choice.status, step.status) << day;
        EXPECT_EQ(choice.port, step.port) << day;
        EXPECT_EQ(choice.moved, step.moved) << day;
        EXPECT_EQ(tracker.question(), step.question) << day;
        if (choice.status == StatusCode::Ok)
            tracker.opened(choice);
        EXPECT_EQ(memory.recall(), step.keptAfter) << day;
        ++day;
    }
    EXPECT_EQ(memory.writes, 4);
}

// The dialog shows the number the chosen one stands for; a later run
// reads it from what was kept.
TEST(AdapterTracker, TheNumberInUseIsWhereTheChosenNumbersAdapterWent)
{
    fakes::FakePortInventory inventory;
    fakes::FakeAdapterMemory memory;
    memory.remember({1, ch340(9, "4")});
    AdapterTracker tracker(inventory, memory);
    const std::pair<int, int> table[] = {{1, 9}, {9, 9}, {4, 4}};
    for (const auto& [chosen, inUse] : table)
        EXPECT_EQ(tracker.portInUse(chosen), inUse) << chosen;
}

}  // namespace
}  // namespace orvanta
