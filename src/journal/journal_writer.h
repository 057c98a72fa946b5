/*
 * Writing the journal: one file per local day, started with its header,
 * one row appended at a time. The first write to a file since the start
 * (or since a write failed) cuts off a row a power cut left torn; earlier
 * rows are never touched. A new day removes the files too old to keep.
 */
#pragma once

#include <string>

#include "journal/journal_row.h"
#include "journal/journal_store.h"

namespace orvanta {

enum class JournalWrite { Written, Failed };

class JournalWriter {
public:
    JournalWriter(JournalStore& store, int keepDays) : store_(store), keepDays_(keepDays) {}

    [[nodiscard]] JournalWrite write(const JournalRow& row);
    // At start: sets right today's file, should a row be torn, and removes
    // the files too old to keep.
    void start(const LocalTime& now);

private:
    bool prepare(const std::string& name);
    void removeExpired(const LocalTime& today);

    JournalStore& store_;
    int keepDays_;
    std::string ready_;   // the file set right and written last
};

// Every row of every journal file, oldest file first.
std::vector<JournalRow> readWholeJournal(JournalStore& store);

}  // namespace orvanta
