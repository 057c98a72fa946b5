#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "fakes/fake_journal_store.h"
#include "journal/journal_recorder.h"
#include "journal/journal_writer.h"

namespace orvanta {
namespace {

using fakes::FakeJournalStore;

std::vector<std::string> daysUpTo(JournalDay last, int count)
{
    std::vector<std::string> names;
    for (int i = count - 1; i >= 0; --i)
        names.push_back(journalFileName(dayFromNumber(dayNumber(last) - i)));
    return names;
}

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
        {"a row half written by a failed write waits whole, and the half is cut off", nullptr,
         [](FakeJournalStore& s, JournalWriter& w) {
             EXPECT_EQ(w.write(rowAt(kMorning, "one")), JournalWrite::Written);
             s.tearsNextAppend = true;
             EXPECT_EQ(w.write(rowAt(kMorning, "half")), JournalWrite::Pending);
             EXPECT_EQ(w.write(rowAt(kMorning, "two")), JournalWrite::Written);
         },
         {{kToday, {"one", "half", "two"}}}},
        {"files older than the days kept go at a day's first row",
         [&](FakeJournalStore& s) {
             for (const std::string& name : daysUpTo({2026, 12, 8}, 91))
                 s.files[name] = start;
             s.files["notes.csv"] = start;
         },
         [](FakeJournalStore& s, JournalWriter& w) {
             EXPECT_EQ(w.write(rowAt(kMorning, "a")), JournalWrite::Written);
             EXPECT_EQ(s.files.count("2026-09-09.csv"), 0u);
             EXPECT_EQ(s.files.count("2026-09-10.csv"), 1u);
         },
         {}},
        {"a day's file held open: its rows wait, then move into it in order, once", nullptr,
         [](FakeJournalStore& s, JournalWriter& w) {
             EXPECT_EQ(w.write(rowAt(kMorning, "a")), JournalWrite::Written);
             s.held.insert(kToday);
             const int readsBefore = s.reads, listingsBefore = s.listings;
             EXPECT_EQ(w.write(rowAt(kMorning, "b")), JournalWrite::Pending);
             EXPECT_EQ(w.write(rowAt(kMorning, "c")), JournalWrite::Pending);
             EXPECT_EQ(s.reads - readsBefore, 0) << "a held file is read for every row";
             EXPECT_EQ(s.listings - listingsBefore, 0) << "the folder is listed for every row";
             EXPECT_EQ(w.pendingFile(), "2026-12-09 pending.csv");
             EXPECT_FALSE(w.movePending());
             s.held.clear();
             EXPECT_EQ(w.write(rowAt(kMorning, "d")), JournalWrite::Written);
             EXPECT_FALSE(w.hasPending());
         },
         {{kToday, {"a", "b", "c", "d"}}}},
        {"rows left waiting by a run are moved by the next one's start",
         [&](FakeJournalStore& s) {
             s.files[kToday] = start + first;
             s.files["2026-12-09 pending.csv"] = start + journalRow(rowAt(kMorning, "waited"));
         },
         [](FakeJournalStore&, JournalWriter& w) {
             w.start(kMorning);
             EXPECT_EQ(w.write(rowAt(kMorning, "next")), JournalWrite::Written);
         },
         {{kToday, {"first", "waited", "next"}}}},
        {"a move cut short is finished, not done twice",
         [&](FakeJournalStore& s) {
             const std::string moved = journalRow(rowAt(kMorning, "moved"));
             s.files[kToday] = start + first + moved + journalRow(rowAt(kMorning, "torn")).substr(0, 20);
             s.files["2026-12-09 pending.csv"] = start + moved + journalRow(rowAt(kMorning, "not yet"));
         },
         [](FakeJournalStore&, JournalWriter& w) { w.start(kMorning); },
         {{kToday, {"first", "moved", "not yet"}}}},
        {"a pending file that cannot go keeps its rows for the next try",
         [&](FakeJournalStore& s) {
             s.files["2026-12-09 pending.csv"] = start + first;
             s.held.insert("2026-12-09 pending.csv");
         },
         [](FakeJournalStore& s, JournalWriter& w) {
             w.start(kMorning);
             EXPECT_TRUE(w.hasPending());
             s.held.clear();
             EXPECT_TRUE(w.movePending());
         },
         {{kToday, {"first"}}}},
        {"a clock a year ahead, then right again, removes nothing",
         [&](FakeJournalStore& s) {
             for (const std::string& name : daysUpTo({2026, 12, 8}, 90))
                 s.files[name] = start;
         },
         [](FakeJournalStore& s, JournalWriter& w) {
             w.start({2027, 12, 9, 8, 0, 0, 0, 60});
             EXPECT_EQ(w.write(rowAt({2027, 12, 9, 9, 0, 0, 0, 60}, "ahead")), JournalWrite::Written);
             EXPECT_EQ(w.write(rowAt(kMorning, "right")), JournalWrite::Written);
             EXPECT_EQ(s.files.size(), 92u);
         },
         {}},
        {"a clock back in 2000, then right again: its rows follow the journal's newest day", nullptr,
         [](FakeJournalStore& s, JournalWriter& w) {
             EXPECT_EQ(w.write(rowAt(kMorning, "before")), JournalWrite::Written);
             EXPECT_EQ(w.write(rowAt({2000, 1, 1, 0, 1, 0, 0, 0}, "flat battery")), JournalWrite::Written);
             EXPECT_EQ(w.write(rowAt({2026, 12, 10, 9, 0, 0, 0, 60}, "set right")), JournalWrite::Written);
             EXPECT_EQ(w.write(rowAt({2026, 12, 10, 9, 0, 1, 0, 60}, "a year later")), JournalWrite::Written);
             EXPECT_EQ(s.files.size(), 2u);
         },
         {{kToday, {"before", "flat battery"}}, {"2026-12-10.csv", {"set right", "a year later"}}}},
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
        if (!c.records.empty()) {
            EXPECT_EQ(found, c.records) << c.name;
        }
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
        EXPECT_EQ(recorder.record(request), JournalWrite::Written);
    }
    RowRequest again;
    again.kind = RowKind::TypedAgain;
    again.original = rowAt(kMorning, "gh");
    again.batchTime = kMorning;
    EXPECT_EQ(recorder.record(again), JournalWrite::Written);
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
