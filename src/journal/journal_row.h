/*
 * The journal of typed records: one CSV file per local day, named after the
 * day, that Excel opens as it is and any RFC 4180 reader reads back. This is
 * the file format and the file-name rules only; opening, appending and
 * removing files is the caller's.
 *
 * A file is journalFileStart() followed by journalRow() per record, each
 * row written in one piece. A record, window title or program name that a
 * spreadsheet would run as a formula (one that begins with '=', '+', '-',
 * '@', a Tab or a CR) is written with a leading apostrophe, and read back
 * without it; the Bytes column keeps the record line exactly, so the proof
 * of what was typed is not touched.
 *
 * Rows that could not go into their day's file (a spreadsheet holds it
 * open) wait in "YYYY-MM-DD pending.csv", in the same form, until they can.
 */
#pragma once

#include <compare>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

struct LocalTime {   // a moment as the PC's clock shows it
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0, millisecond = 0;
    int utcOffsetMinutes = 0;   // e.g. +60 for UTC+01:00, -300 for UTC-05:00
    friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

enum class JournalAction { Typed, TypedAgain };   // "typed", "typed again from the journal"

struct JournalRow {
    LocalTime time;
    int comPort = 0;
    std::string record;        // the record's text as it was typed, UTF-8
    std::string bytes;         // the record line exactly as received (without its CR), raw bytes
    std::string windowTitle;   // UTF-8
    std::string program;       // exe file name of the window's process, UTF-8, e.g. "notepad.exe"
    JournalAction action = JournalAction::Typed;
    LocalTime transfer;        // when the transfer's first record was journaled: the rows of a transfer share it
    friend bool operator==(const JournalRow&, const JournalRow&) = default;
};

constexpr int kDefaultJournalDays = 90;

// A calendar day, as the journal's file names give it.
struct JournalDay {
    int year = 1970, month = 1, day = 1;
    friend auto operator<=>(const JournalDay&, const JournalDay&) = default;
};

JournalDay dayOf(const LocalTime& time);
// Days since 1970-01-01 (negative before), and the day of such a number.
long long dayNumber(const JournalDay& day);
JournalDay dayFromNumber(long long number);

// No PC runs this program before this day: a clock that shows an earlier
// one is wrong (a flat CMOS battery starts at 2000-01-01 or earlier).
constexpr JournalDay kEarliestJournalDay{2026, 1, 1};

// The byte-order mark and the header line Time,Port,Record,Bytes,Window,Program,Action,Transfer with
// its CRLF.
std::string journalFileStart();

// One row with its CRLF: time as 2026-12-09T18:30:05.123+01:00, port as COM5, the bytes as upper-case
// hex pairs separated by spaces ("00 61 62"), the action as "typed" or "typed again".
std::string journalRow(const JournalRow& row);

// "YYYY-MM-DD.csv", and "YYYY-MM-DD pending.csv" for the rows that wait to go into it.
std::string journalFileName(const JournalDay& day);
std::string pendingFileName(const JournalDay& day);
inline std::string journalFileName(const LocalTime& time) { return journalFileName(dayOf(time)); }

// The day of a journal file or of a pending file; nothing for any other name.
struct JournalFile {
    JournalDay day;
    bool pending = false;
    friend auto operator<=>(const JournalFile&, const JournalFile&) = default;
};
std::optional<JournalFile> journalFileOf(std::string_view fileName);

// The names among `names` to remove: files of a day more than keepDays calendar days before
// `today`, and with more than keepDays newer days in the journal, today's counted. Each day the
// journal holds was a day the PC ran, so a clock a year ahead removes nothing that the right one
// would keep; one decades behind removes nothing at all. A negative keepDays counts as 0. Other
// names never go.
std::vector<std::string> expiredJournalFiles(const std::vector<std::string>& names, const JournalDay& today,
                                             int keepDays);

// The length of the content up to the end of its last whole row, where a row ends at a CRLF outside
// quotes; the file start alone counts as whole. 0 when even the header is incomplete. What lies
// beyond is a row torn by a power cut, to be cut off before anything is appended.
std::size_t endOfLastWholeRow(std::string_view content);

// One row of a file as it stands there: where it is, and its fields with the journal's own marks
// (quotes, the apostrophe before a formula) taken off. The texts are valid until the next row.
struct JournalRowView {
    std::size_t offset = 0, length = 0;   // in the content, with the row's CRLF
    LocalTime time, transfer;
    int comPort = 0;
    JournalAction action = JournalAction::Typed;
    std::string_view record, bytesHex, windowTitle, program;
};

// The rows of a file's content, one at a time. The header, a torn tail and any row that is not in the
// journal's own form (such as one edited by hand) are left out.
class JournalRowReader {
public:
    explicit JournalRowReader(std::string_view content);
    bool next(JournalRowView& row);

private:
    bool splitRow();
    std::string_view field(std::size_t index);

    std::string_view content_;
    std::size_t at_ = 0;
    std::size_t rowStart_ = 0;
    struct Span {
        std::size_t begin = 0, end = 0;
        bool quoted = false;
    };
    std::vector<Span> fields_;
    std::string scratch_[8];
};

JournalRow rowOf(const JournalRowView& view);

// The rows of a journal file's content (see JournalRowReader).
std::vector<JournalRow> readJournal(std::string_view content);

}  // namespace orvanta
