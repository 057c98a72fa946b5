/*
 * Writing the journal: one file per local day, started with its header,
 * one row appended at a time. The first write to a file since the start
 * (or since a write failed) cuts off a row a power cut left torn; earlier
 * rows are never touched.
 *
 * A day's file that another program holds (a spreadsheet shows it) does
 * not lose a row: the row goes to the day's pending file, and the pending
 * rows move into the day's file, in order and once, as soon as that can be
 * written again, in this run or a later one.
 *
 * Old files go by the journal's own days as well as by the clock, so that
 * a clock set wrong removes nothing that the right one would keep; and a
 * clock before any day this program runs on (a flat CMOS battery) writes
 * into the journal's newest day rather than into a day long gone.
 */
#pragma once

#include <optional>
#include <set>
#include <string>

#include "journal/journal_row.h"
#include "journal/journal_store.h"

namespace orvanta {

// Pending: the row is on disk in its day's pending file.
enum class JournalWrite { Written, Pending, Failed };

// The day whose file a row written at `clock` goes to.
JournalDay journalDayFor(const LocalTime& clock, std::optional<JournalDay> newestInJournal);

class JournalWriter {
public:
    JournalWriter(JournalStore& store, int keepDays) : store_(store), keepDays_(keepDays) {}

    // At start: removes the files too old to keep, moves the rows that
    // wait, and sets right today's file, should a row be torn.
    void start(const LocalTime& now);
    [[nodiscard]] JournalWrite write(const JournalRow& row);
    // Moves the rows that wait into their days' files where these can be
    // written now; true when no row waits any more.
    bool movePending();
    bool hasPending() const { return !pending_.empty(); }
    // The pending file written last.
    const std::string& pendingFile() const { return lastPending_; }

private:
    bool movePending(const JournalDay& day);
    Appended appendTo(const std::string& name, const std::string& bytes);
    std::optional<std::string> prepare(const std::string& name);
    void removeExpired(const JournalDay& clockDay);

    JournalStore& store_;
    int keepDays_;
    std::set<std::string> ready_;        // files set right since the start
    std::set<JournalDay> pending_;       // days whose rows wait in a pending file
    std::optional<JournalDay> newest_;   // the newest day the journal holds
    std::optional<JournalDay> expiredFor_;
    std::string lastPending_;
};

}  // namespace orvanta
