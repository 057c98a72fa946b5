/*
 * What the "Recent records" window lists: the journal's rows grouped by
 * transfer, the newest transfer first and each transfer's records newest
 * first, narrowed by a search text; and which records a choice of lines
 * stands for, to be typed again in the order they were first typed.
 */
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "journal/journal_row.h"

namespace orvanta {

// A line of the list: a transfer, or one of its records.
struct RecentLine {
    bool isTransfer = false;
    std::size_t transfer = 0;   // index of the transfer
    std::size_t row = 0;        // index of the row (a record's line only)

    bool operator==(const RecentLine&) const = default;
};

class RecentRecords {
public:
    // The rows of any number of journal files, in any order.
    explicit RecentRecords(std::vector<JournalRow> rows);

    // Every transfer with a record that holds the text (in its record,
    // window or program, case aside), with those of its records; an empty
    // text shows everything.
    std::vector<RecentLine> lines(std::string_view search) const;
    // The records the chosen lines stand for: a transfer stands for all of
    // its records. Each once, oldest first.
    std::vector<JournalRow> chosen(const std::vector<RecentLine>& chosenLines) const;

    const JournalRow& row(std::size_t index) const { return rows_[index]; }
    // "2026-12-09 09:30:05", "COM3, 4 records", and both as one line.
    std::string transferTime(std::size_t transfer) const;
    std::string transferSummary(std::size_t transfer) const;
    std::string transferLabel(std::size_t transfer) const
    {
        return transferTime(transfer) + "  " + transferSummary(transfer);
    }

private:
    struct Transfer {
        LocalTime time;
        int comPort = 0;
        std::vector<std::size_t> rows;   // newest first
    };
    std::vector<JournalRow> rows_;
    std::vector<Transfer> transfers_;   // newest first
};

}  // namespace orvanta
