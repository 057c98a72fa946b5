/*
 * "Recent records" over journal files: transfers newest first in the
 * order rows were written, the search, the choice typed again oldest
 * first and read back exactly from the files, and the loader's views.
 */
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "fakes/fake_journal_store.h"
#include "ui/recent_records.h"
#include "ui/recent_records_loader.h"

namespace orvanta {
namespace {

using fakes::FakeJournalStore;

JournalRow rowAt(LocalTime time, LocalTime transfer, int port, const char* record, const char* window)
{
    return JournalRow{time, port, record, std::string("\x01") + record + "xy", window, "erp.exe",
                      JournalAction::Typed, transfer};
}

JournalRow typedAt(int hour, int minute, int transferMinute, int port, const char* record, const char* window)
{
    return rowAt({2026, 12, 9, hour, minute, 0, 0, 60}, {2026, 12, 9, hour, transferMinute, 0, 0, 60}, port, record,
                 window);
}

struct Journal {
    explicit Journal(std::map<std::string, std::vector<JournalRow>> files)
    {
        for (const auto& [name, rows] : files) {
            store.files[name] = journalFileStart();
            for (const JournalRow& row : rows)
                store.files[name] += journalRow(row);
        }
        index = std::make_unique<JournalIndex>(store.names());
        for (std::size_t file = index->fileCount(); file-- > 0;)   // newest first, as the loader reads them
            index->add(file, store.files[index->fileName(file)]);
        order = std::make_unique<RecentOrder>(*index);
    }
    std::vector<std::string> shown(std::string_view search) const
    {
        std::vector<std::string> texts;
        const RecentList list = order->listFor(*index, search);
        for (std::size_t line = 0; line < list.size(); ++line) {
            if (!list.isTransfer(line)) {
                texts.emplace_back(index->record(list.idOf(line)));
                continue;
            }
            std::string label(1, '[');
            label.append(transferLabel(*index, list.idOf(line))).push_back(']');
            texts.push_back(label);
        }
        return texts;
    }
    std::vector<JournalRow> chosen(std::vector<std::size_t> lines)
    {
        return index->readBack(store, order->chosen(*index, order->listFor(*index, ""), lines));
    }

    FakeJournalStore store;
    std::unique_ptr<JournalIndex> index;
    std::unique_ptr<RecentOrder> order;
};

// Two transfers of the morning and one of the afternoon.
Journal morning()
{
    return Journal({{"2026-12-09.csv",
                     {typedAt(9, 1, 1, 3, "A-100", "Orders"), typedAt(9, 2, 1, 3, "B-200", "Orders"),
                      typedAt(9, 30, 30, 3, "C-300", "Stock"), typedAt(14, 5, 5, 4, "a-101", "Orders")}}});
}

// Newest transfer first, each under its own line; the search narrows both
// the records and the transfers, case aside, in the record, the window or
// the program.
TEST(RecentRecords, ListsTransfersNewestFirstNarrowedBySearch)
{
    const Journal journal = morning();
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
        EXPECT_EQ(journal.shown(row.search), row.lines) << row.search;
}

// Rows are in the order they were written: day by day, a day's pending
// rows after its file, row by row; not by the clock, which the autumn
// change sets back an hour. A formula's guard is not shown.
TEST(RecentRecords, FollowsTheOrderOfWritingNotTheClock)
{
    const LocalTime summer{2026, 10, 25, 2, 50, 0, 0, 120}, winter{2026, 10, 25, 2, 10, 0, 0, 60};
    const LocalTime later{2026, 10, 25, 2, 20, 0, 0, 60};
    const Journal journal({{"2026-10-25.csv", {rowAt(summer, summer, 1, "x1", "W"), rowAt(winter, winter, 1, "y1", "W"),
                                               rowAt(later, winter, 1, "=y2", "W")}},
                           {"2026-10-25 pending.csv", {rowAt(winter, later, 2, "z1", "W")}},
                           {"2026-10-24.csv", {rowAt({2026, 10, 24, 23, 0, 0, 0, 120}, summer, 1, "w1", "W")}}});
    EXPECT_EQ(journal.shown(""),
              (std::vector<std::string>{"[2026-10-25 02:20:00  COM2, 1 record]", "z1",
                                        "[2026-10-25 02:10:00  COM1, 2 records]", "=y2", "y1",
                                        "[2026-10-25 02:50:00  COM1, 2 records]", "x1", "w1"}));
}

// A transfer stands for all of its records; a record chosen twice (alone
// and with its transfer) is typed once; all in the order first typed, as
// they stand in their files, bytes and all.
TEST(RecentRecords, AChoiceIsTypedOnceEachOldestFirst)
{
    Journal journal = morning();
    const struct {
        std::vector<std::size_t> picked;   // positions in the full list
        std::vector<std::string> records;
    } rows[] = {
        {{5}, {"B-200"}},
        {{4}, {"A-100", "B-200"}},
        {{4, 6, 1}, {"A-100", "B-200", "a-101"}},
        {{1, 3}, {"C-300", "a-101"}},
        {{99}, {}},
    };
    for (const auto& row : rows) {
        std::vector<std::string> records;
        for (const JournalRow& r : journal.chosen(row.picked)) {
            records.push_back(r.record);
            EXPECT_EQ(r.bytes, "\x01" + r.record + "xy");
        }
        EXPECT_EQ(records, row.records);
    }
}

// Rows read while they waited in a pending file are found again once they
// moved into their day's file.
TEST(RecentRecords, AChoiceIsFoundAfterItsRowsMoved)
{
    Journal journal({{"2026-12-09.csv", {typedAt(9, 1, 1, 3, "A-100", "Orders")}},
                     {"2026-12-09 pending.csv", {typedAt(9, 2, 1, 3, "B-200", "Orders")}}});
    auto& files = journal.store.files;
    files["2026-12-09.csv"] += files["2026-12-09 pending.csv"].substr(journalFileStart().size());
    files.erase("2026-12-09 pending.csv");
    const auto rows = journal.chosen({0});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].record, "B-200");
    EXPECT_EQ(rows[1].bytes, "\x01" "B-200xy");
}

// The loader reads the newest file first and publishes views until all
// are read; a search is answered with a view of its own.
TEST(RecentRecordsLoader, PublishesTheWholeJournalAndAnswersASearch)
{
    FakeJournalStore store;
    for (int day = 1; day <= 20; ++day) {
        const std::string name = journalFileName(JournalDay{2026, 11, day});
        store.files[name] = journalFileStart();
        for (int minute = 0; minute < 50; ++minute) {
            const LocalTime at{2026, 11, day, 9, minute, 0, 0, 60};
            store.files[name] += journalRow(rowAt(at, {2026, 11, day, 9, 0, 0, 0, 60}, 1,
                                                  day == 7 && minute == 3 ? "NEEDLE" : "hay", "W"));
        }
    }
    std::mutex lock;
    std::condition_variable published;
    RecentRecordsLoader loader(store, [&] { published.notify_all(); });
    const auto await = [&](auto done) {
        std::unique_lock hold(lock);
        return published.wait_for(hold, std::chrono::seconds(10), [&] { return loader.view() && done(*loader.view()); });
    };
    ASSERT_TRUE(await([](const RecentView& v) { return v.complete(); }));
    EXPECT_EQ(loader.view()->list.size(), 20u * 51u);
    EXPECT_EQ(loader.view()->list.records(), 1000u);
    loader.search("needle");
    ASSERT_TRUE(await([](const RecentView& v) { return v.search == "needle"; }));
    const RecentView& found = *loader.view();
    ASSERT_EQ(found.list.size(), 2u);
    EXPECT_EQ(transferTimeText(loader.index(), found.list.idOf(0)), "2026-11-07 09:00:00");
    const auto rows = loader.readBack(found.order->chosen(loader.index(), found.list, {1}));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].time, (LocalTime{2026, 11, 7, 9, 3, 0, 0, 60}));
}

TEST(RecentRecords, StatusSaysHowFarAndHowMany)
{
    EXPECT_EQ(recentStatusText(3, 89, 0, 30000, 301, false), "30,000 records; reading 3 of 89 files");
    EXPECT_EQ(recentStatusText(3, 89, 2, 30000, 301, true), "2 records of 30,000; reading 3 of 89 files");
    EXPECT_EQ(recentStatusText(89, 89, 1, 890000, 9000, true), "1 record of 890,000");
    EXPECT_EQ(recentStatusText(0, 0, 0, 0, 0, false), "0 records in 0 transfers");
}

}  // namespace
}  // namespace orvanta
