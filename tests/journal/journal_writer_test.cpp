#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "fakes/fake_journal_store.h"
#include "journal/journal_recorder.h"
#include "journal/journal_writer.h"

namespace orvanta {
namespace {

using fakes::FakeJournalStore;

JournalRow rowAt(LocalTime time, const std::string& record)
{
    JournalRow row;
    row.time = time;
    row.comPort = 3;
    row.record = record;
    row.bytes = "\x01" + record + "xy";
    row.windowTitle = "Untitled - Notepad";
    row.program = "notepad.exe";
    return row;
}

constexpr LocalTime kMorning{2026, 12, 9, 9, 30, 0, 0, 60};
const std::string kToday = "2026-12-09.csv";

// What is in the store after the steps, file by file: each file's rows
// must read back whole, in order.
struct WriterCase {
    const char* name;
    std::function<void(FakeJournalStore&)> before;
    std::function<void(FakeJournalStore&, JournalWriter&)> steps;
    std::map<std::string, std::vector<std::string>> records;   // file -> records read back
};

TEST(JournalWriter, EveryFileHoldsWholeRowsOfItsDay)
{
    const std::string start = journalFileStart();
    const std::string first = journalRow(rowAt(kMorning, "first"));
    const WriterCase cases[] = {
        {"rows on both sides of midnight", nullptr,
         [](FakeJournalStore&, JournalWriter& w) {
             EXPECT_EQ(w.write(rowAt({2026, 12, 9, 23, 59, 59, 999, 60}, "late")), JournalWrite::Written);
             EXPECT_EQ(w.write(rowAt({2026, 12, 10, 0, 0, 0, 0, 60}, "early")), JournalWrite::Written);
         },
         {{"2026-12-09.csv", {"late"}}, {"2026-12-10.csv", {"early"}}}},
        {"a row torn by a power cut is cut off at start",
         [&](FakeJournalStore& s) { s.files[kToday] = start + first + journalRow(rowAt(kMorning, "torn")).substr(0, 30); },
         [](FakeJournalStore&, JournalWriter& w) {
             w.start(kMorning);
             EXPECT_EQ(w.write(rowAt(kMorning, "next")), JournalWrite::Written);
         },
         {{kToday, {"first", "next"}}}},
        {"a torn header starts the file again",
         [&](FakeJournalStore& s) { s.files[kToday] = start.substr(0, 7); },
         [](FakeJournalStore&, JournalWriter& w) { EXPECT_EQ(w.write(rowAt(kMorning, "a")), JournalWrite::Written); },
         {{kToday, {"a"}}}},
        {"a journal that refuses writes goes on by itself when it can", nullptr,
         [](FakeJournalStore& s, JournalWriter& w) {
             s.refuses = true;
             EXPECT_EQ(w.write(rowAt(kMorning, "lost")), JournalWrite::Failed);
             s.refuses = false;
             EXPECT_EQ(w.write(rowAt(kMorning, "kept")), JournalWrite::Written);
         },
         {{kToday, {"kept"}}}},
        {"a row half written by a failed write is cut off before the next", nullptr,
         [](FakeJournalStore& s, JournalWriter& w) {
             EXPECT_EQ(w.write(rowAt(kMorning, "one")), JournalWrite::Written);
             s.tearsNextAppend = true;
             EXPECT_EQ(w.write(rowAt(kMorning, "half")), JournalWrite::Failed);
             EXPECT_EQ(w.write(rowAt(kMorning, "two")), JournalWrite::Written);
         },
         {{kToday, {"one", "two"}}}},
        {"files older than the days kept go at a day's first row",
         [&](FakeJournalStore& s) {
             for (const char* name : {"2026-09-10.csv", "2026-09-09.csv", "2025-12-31.csv", "notes.csv"})
                 s.files[name] = start;
         },
         [](FakeJournalStore&, JournalWriter& w) { EXPECT_EQ(w.write(rowAt(kMorning, "a")), JournalWrite::Written); },
         {{"2026-09-10.csv", {}}, {kToday, {"a"}}, {"notes.csv", {}}}},
    };
    for (const WriterCase& c : cases) {
        FakeJournalStore store;
        if (c.before)
            c.before(store);
        JournalWriter writer(store, kDefaultJournalDays);
        c.steps(store, writer);
        std::map<std::string, std::vector<std::string>> found;
        for (const auto& [name, content] : store.files) {
            EXPECT_EQ(endOfLastWholeRow(content), content.size()) << c.name << ": " << name << " ends torn";
            for (const JournalRow& row : readJournal(content))
                found[name].push_back(row.record);
            found[name];
        }
        EXPECT_EQ(found, c.records) << c.name;
    }
}

}  // namespace
}  // namespace orvanta

namespace orvanta {
namespace {

struct SteppingSources final : JournalSources {
    LocalTime now() override { return {2026, 12, 9, 9, 0, seconds++, 0, 60}; }
    std::string textOf(const std::uint8_t* bytes, std::size_t count) override
    {
        return std::string(reinterpret_cast<const char*>(bytes), count);
    }
    std::string windowTitle(WindowId) override { return "Orders"; }
    std::string programOf(WindowId) override { return "erp.exe"; }
    int seconds = 0;
};

// A row keeps the record's text and its whole line; the rows of a transfer
// name it by the time of its first row, and the next transfer by its own.
// A row typed again is the row chosen, with the window that took it now,
// in its batch.
TEST(JournalRecorder, RowsOfATransferShareItsTimeAndRowsTypedAgainTheirBatchs)
{
    FakeJournalStore store;
    JournalWriter writer(store, kDefaultJournalDays);
    SteppingSources sources;
    JournalRecorder recorder(writer, sources);
    using namespace std::string_literals;
    const std::string lines[] = {("\x00" "abc" "\x26\x01"s), ("\x01" "de" "\x00\x01"s), ("\x00" "f" "\x66\x00"s)};
    for (std::size_t i = 0; i < 3; ++i) {
        RowRequest request;
        request.line = lines[i];
        request.comPort = 4;
        request.firstOfTransfer = i != 1;   // the third record starts a transfer of its own
        EXPECT_TRUE(recorder.record(request));
    }
    RowRequest again;
    again.kind = RowKind::TypedAgain;
    again.original = rowAt(kMorning, "gh");
    again.batchTime = kMorning;
    EXPECT_TRUE(recorder.record(again));
    const auto rows = readJournal(store.files["2026-12-09.csv"]);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].record, "abc");
    EXPECT_EQ(rows[1].bytes, lines[1]);
    EXPECT_EQ(rows[1].comPort, 4);
    EXPECT_EQ(rows[1].program, "erp.exe");
    EXPECT_EQ(rows[0].transfer, rows[0].time);
    EXPECT_EQ(rows[1].transfer, rows[0].time);
    EXPECT_EQ(rows[2].transfer, rows[2].time);
    EXPECT_EQ(rows[3].action, JournalAction::TypedAgain);
    EXPECT_EQ(rows[3].record, "gh");
    EXPECT_EQ(rows[3].windowTitle, "Orders");
    EXPECT_EQ(rows[3].transfer, kMorning);
}

}  // namespace
}  // namespace orvanta
