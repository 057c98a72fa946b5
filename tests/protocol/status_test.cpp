#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "ui/status_box.h"

namespace orvanta {
namespace {

TEST(ShowStatus, EachCodeHasItsTextAndCaption)
{
    const struct {
        std::int32_t code;
        const char* caption;
        const char* text;
    } table[] = {
        {-109, "Error", "Failed to open the COM port!"},   // another Orvanta holds it
        {-108, "Error", "No window to type the records into !!"},
        {-107, "Error", "Failed to write the COM port!"},
        {-106, "Error", "Failed to establish connection !!"},
        {-105, "Error", "Receive Time out !!"},
        {-104, "Error", "Time out !!"},
        {-103, "Error", "Unable to configure the IR device !!"},
        {-102, "Error", "Failed to open the COM port!"},
        {-101, "Error", "Failed to open the COM port!"},
        {-99, "Warning", "Too many characters !!(max: 10)"},
    };
    for (const auto& row : table) {
        fakes::EventLog log;
        fakes::FakeMessageBoxes boxes(log);
        showStatus(boxes, 42, static_cast<StatusCode>(row.code));
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].text, std::string(row.caption) + ": " + row.text) << row.code;
        EXPECT_EQ(log[0].value, 0x40030u) << row.code;
    }
}

// Batch files tell a finished transfer from each way a run can end; a
// port another Orvanta holds is a port that could not be opened.
TEST(ShowStatus, AnUnattendedRunExitsWithTheSizeOfWhatEndedIt)
{
    const struct {
        std::int32_t result;
        int exitCode;
    } table[] = {{1, 1}, {-101, 101}, {-109, 101}, {-103, 103}, {-104, 104}, {-105, 105}, {-107, 107}, {-108, 108}};
    for (const auto& row : table)
        EXPECT_EQ(unattendedExitCode(static_cast<StatusCode>(row.result)), row.exitCode) << row.result;
}

}  // namespace
}  // namespace orvanta
