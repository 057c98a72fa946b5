/*
 * What the "Recent records" window lists: the journal's rows grouped by
 * transfer, the newest transfer first and each transfer's records newest
 * first, as they were written; narrowed by a search text; and which
 * records a choice of lines stands for, to be typed again in the order
 * they were first typed.
 *
 * RecentOrder is built once for each state of the index, in a time that
 * grows with the rows (their transfers are already known); a RecentList
 * of lines is one pass over it for each search.
 */
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "journal/journal_index.h"

namespace orvanta {

// The lines shown: a transfer's line, or a record's line under it.
class RecentList {
public:
    static constexpr std::uint32_t kTransferLine = 0x80000000u;

    std::size_t size() const { return lines_.size(); }
    bool isTransfer(std::size_t line) const { return (lines_[line] & kTransferLine) != 0; }
    // The transfer or the row the line stands for.
    std::uint32_t idOf(std::size_t line) const { return lines_[line] & ~kTransferLine; }
    std::uint32_t valueOf(std::size_t line) const { return lines_[line]; }
    // Records among the lines.
    std::size_t records() const { return records_; }

private:
    friend class RecentOrder;
    std::vector<std::uint32_t> lines_;
    std::size_t records_ = 0;
};

class RecentOrder {
public:
    // Reads the index without its lock: only on the thread that adds to it.
    explicit RecentOrder(const JournalIndex& index);

    // Every transfer with a record that holds the text (in its record,
    // window or program, case aside), with those of its records; an empty
    // text shows everything.
    RecentList listFor(const JournalIndex& index, std::string_view search) const;
    // The records the chosen lines stand for: a transfer stands for all of
    // its records. Each once, oldest first.
    std::vector<RowId> chosen(const JournalIndex& index, const RecentList& list,
                              const std::vector<std::size_t>& chosenLines) const;

    std::size_t rows() const { return rows_.size(); }
    std::size_t transfers() const { return transfers_.size(); }

private:
    std::vector<TransferId> transfers_;   // newest first
    std::vector<RowId> rows_;             // grouped as transfers_, each group newest first
    std::vector<std::uint32_t> groupEnd_;  // by place in transfers_: where its rows end in rows_
    std::vector<std::uint32_t> placeOf_;   // by transfer: its place in transfers_
};

// "2026-12-09 09:30:05", "COM3, 4 records", and both as one line; a
// record's time of day as "   09:30:05".
std::string transferTimeText(const JournalIndex& index, TransferId transfer);
std::string transferSummaryText(const JournalIndex& index, TransferId transfer);
inline std::string transferLabel(const JournalIndex& index, TransferId transfer)
{
    return transferTimeText(index, transfer) + "  " + transferSummaryText(index, transfer);
}
std::string recordClockText(const JournalIndex& index, RowId row);
// The line under the list: how far the journal is read, and how many
// records it holds or the search found.
std::string recentStatusText(std::size_t filesRead, std::size_t files, std::size_t recordsShown,
                             std::size_t recordsRead, std::size_t transfersRead, bool searching);

}  // namespace orvanta
