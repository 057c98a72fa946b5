#include <gtest/gtest.h>

#include "ui/recent_records.h"

namespace orvanta {
namespace {

JournalRow typedAt(int hour, int minute, int transferMinute, int port, const char* record, const char* window)
{
    JournalRow row;
    row.time = {2026, 12, 9, hour, minute, 0, 0, 60};
    row.transfer = {2026, 12, 9, hour, transferMinute, 0, 0, 60};
    row.comPort = port;
    row.record = record;
    row.windowTitle = window;
    row.program = "erp.exe";
    return row;
}

// Two transfers of the morning and one of the afternoon, given in the
// order the files were read (oldest file first).
RecentRecords morning()
{
    return RecentRecords({typedAt(9, 1, 1, 3, "A-100", "Orders"), typedAt(9, 2, 1, 3, "B-200", "Orders"),
                          typedAt(9, 30, 30, 3, "C-300", "Stock"), typedAt(14, 5, 5, 4, "a-101", "Orders")});
}

std::vector<std::string> shown(const RecentRecords& recent, std::string_view search)
{
    std::vector<std::string> texts;
    for (const RecentLine& line : recent.lines(search)) {
        if (!line.isTransfer) {
            texts.push_back(recent.row(line.row).record);
            continue;
        }
        std::string label(1, '[');
        label.append(recent.transferLabel(line.transfer)).push_back(']');
        texts.push_back(label);
    }
    return texts;
}

// Newest transfer first, each under its own line; the search narrows both
// the records and the transfers, case aside, in the record, the window or
// the program.
TEST(RecentRecords, ListsTransfersNewestFirstNarrowedBySearch)
{
    const RecentRecords recent = morning();
    const struct {
        const char* search;
        std::vector<std::string> lines;
    } rows[] = {
        {"",
         {"[2026-12-09 14:05:00  COM4, 1 record]", "a-101", "[2026-12-09 09:30:00  COM3, 1 record]", "C-300",
          "[2026-12-09 09:01:00  COM3, 2 records]", "B-200", "A-100"}},
        {"a-10", {"[2026-12-09 14:05:00  COM4, 1 record]", "a-101", "[2026-12-09 09:01:00  COM3, 2 records]", "A-100"}},
        {"stock", {"[2026-12-09 09:30:00  COM3, 1 record]", "C-300"}},
        {"ERP.EXE", {"[2026-12-09 14:05:00  COM4, 1 record]", "a-101", "[2026-12-09 09:30:00  COM3, 1 record]",
                     "C-300", "[2026-12-09 09:01:00  COM3, 2 records]", "B-200", "A-100"}},
        {"nothing like it", {}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(shown(recent, row.search), row.lines) << row.search;
}

// A transfer stands for all of its records; a record chosen twice (alone
// and with its transfer) is typed once; all in the order first typed.
TEST(RecentRecords, AChoiceIsTypedOnceEachOldestFirst)
{
    const RecentRecords recent = morning();
    const auto all = recent.lines("");
    const struct {
        std::vector<std::size_t> picked;   // positions in the full list
        std::vector<std::string> records;
    } rows[] = {
        {{5}, {"B-200"}},
        {{4}, {"A-100", "B-200"}},
        {{4, 6, 1}, {"A-100", "B-200", "a-101"}},
        {{1, 3}, {"C-300", "a-101"}},
    };
    for (const auto& row : rows) {
        std::vector<RecentLine> picked;
        for (std::size_t at : row.picked)
            picked.push_back(all[at]);
        std::vector<std::string> records;
        for (const JournalRow& r : recent.chosen(picked))
            records.push_back(r.record);
        EXPECT_EQ(records, row.records);
    }
}

}  // namespace
}  // namespace orvanta
