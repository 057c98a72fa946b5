/*
 * The journal of typed records: one CSV file per local day, named after the
 * day, that Excel opens as it is and any RFC 4180 reader reads back. This is
 * the file format and the file-name rules only; opening, appending and
 * removing files is the caller's.
 *
 * A file is journalFileStart() followed by journalRow() per record, each
 * row written in one piece. No field is altered on the way in: a record,
 * window title or program name that begins with '=', '+', '-' or '@' is
 * taken by Excel for a formula when the file is opened there. Prefixing
 * such a field would make the journal disagree with what was typed, and
 * the journal is the proof of what was typed, so the risk is left to the
 * guide to explain instead.
 */
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
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

// The byte-order mark and the header line Time,Port,Record,Bytes,Window,Program,Action,Transfer with
// its CRLF.
std::string journalFileStart();

// One row with its CRLF: time as 2026-12-09T18:30:05.123+01:00, port as COM5, the bytes as upper-case
// hex pairs separated by spaces ("00 61 62"), the action as "typed" or "typed again".
std::string journalRow(const JournalRow& row);

// "YYYY-MM-DD.csv" of the local date.
std::string journalFileName(const LocalTime& time);

// Year, month and day of a journal file's name; nothing for any other name.
std::optional<std::tuple<int, int, int>> journalFileDate(std::string_view fileName);

// True for a journal file dated more than keepDays calendar days before today. A negative keepDays
// counts as 0, so today's file is never expired; other names never are.
bool journalFileExpired(std::string_view fileName, int year, int month, int day, int keepDays);

// The length of the content up to the end of its last whole row, where a row ends at a CRLF outside
// quotes; the file start alone counts as whole. 0 when even the header is incomplete. What lies
// beyond is a row torn by a power cut, to be cut off before anything is appended.
std::size_t endOfLastWholeRow(std::string_view content);

// The rows of a journal file's content. The header, a torn tail and any row that is not in the
// journal's own form (such as one edited by hand) are left out.
std::vector<JournalRow> readJournal(std::string_view content);

}  // namespace orvanta
