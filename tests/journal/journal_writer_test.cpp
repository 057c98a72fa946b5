#include <gtest/gtest.h>

#include <functional>

#include "fakes/fake_journal_store.h"
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
