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
        "+1",   ("\xC3\x9C" "ber \xE2\x80\x93 x"),
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
         "2026-06-30T23:59:59.999+00:00,COM1,=1+1,,W,p.exe,typed,2026-06-30T23:59:59.999+00:00\r\n"},
    };
    EXPECT_EQ(journalFileStart(), "\xEF\xBB\xBFTime,Port,Record,Bytes,Window,Program,Action,Transfer\r\n");
    for (const auto& row : table) {
        const JournalRow written{row.time, row.port, row.record, std::string(row.bytes), "W", "p.exe", row.action,
                                 row.time};
        EXPECT_EQ(journalRow(written), row.line);
    }
}

TEST(JournalFileName, ChangesAtLocalMidnight)
{
    const struct {
        LocalTime time;
        const char* name;
    } table[] = {
        {{2026, 12, 9, 23, 59, 59, 999, 60}, "2026-12-09.csv"},
        {{2026, 12, 10, 0, 0, 0, 0, 60}, "2026-12-10.csv"},
        {{2026, 12, 31, 23, 59, 59, 999, -300}, "2026-12-31.csv"},
        {{2027, 1, 1, 0, 0, 0, 0, -300}, "2027-01-01.csv"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(journalFileName(row.time), row.name);
        EXPECT_TRUE(journalFileDate(row.name));
    }
}

TEST(JournalFileExpired, AfterTheKeptDays)
{
    const struct {
        const char* name;
        int year, month, day, keepDays;
        bool expired;
    } table[] = {
        {"2026-09-11.csv", 2026, 12, 9, 90, false},   // 89 days
        {"2026-09-10.csv", 2026, 12, 9, 90, false},   // 90 days
        {"2026-09-09.csv", 2026, 12, 9, 90, true},    // 91 days
        {"2026-10-03.csv", 2027, 1, 1, 90, false},    // 90 days, across the year end
        {"2026-10-02.csv", 2027, 1, 1, 90, true},     // 91 days, across the year end
        {"2027-12-02.csv", 2028, 3, 1, 90, false},    // 90 days, over a leap day
        {"2027-12-01.csv", 2028, 3, 1, 90, true},     // 91 days, over a leap day
        {"2028-02-29.csv", 2028, 3, 1, 1, false},     // the leap day itself
        {"2028-02-28.csv", 2028, 3, 1, 1, true},
        {"2026-12-09.csv", 2026, 12, 9, 0, false},    // today is kept
        {"2026-12-09.csv", 2026, 12, 9, -1, false},
        {"2026-12-08.csv", 2026, 12, 9, 0, true},
        {"2027-01-01.csv", 2026, 12, 9, 90, false},   // a clock set back
        {"2000-01-01.CSV", 2026, 12, 9, 90, false},   // names that are not journal files
        {"2000-01-01.csv.bak", 2026, 12, 9, 90, false},
        {"2000-1-01.csv", 2026, 12, 9, 90, false},
        {"2000-01-01.txt", 2026, 12, 9, 90, false},
        {"2000-13-01.csv", 2026, 12, 9, 90, false},
        {"2001-02-29.csv", 2026, 12, 9, 90, false},
        {"2000-01-00.csv", 2026, 12, 9, 90, false},
        {"+000-01-01.csv", 2026, 12, 9, 90, false},
        {"", 2026, 12, 9, 90, false},
    };
    for (const auto& row : table)
        EXPECT_EQ(journalFileExpired(row.name, row.year, row.month, row.day, row.keepDays), row.expired)
            << row.name << " on " << row.year << '-' << row.month << '-' << row.day << " keeping " << row.keepDays;
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
