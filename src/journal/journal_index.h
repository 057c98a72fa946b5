/*
 * The journal in memory for "Recent records": every row of every file,
 * small enough for months of a busy PC (some 28 bytes a row, besides the
 * record's text), grouped by transfer as the rows come, in the order they
 * were written. Files are the unit of order: day by day, and within a day
 * its file before its pending file, each row by row; the clock's own
 * times (a clock set back in the autumn) decide nothing.
 *
 * What the list needs to show and search (times of day, texts) is here;
 * a row's bytes are not: the rows chosen are read back from their files.
 * One thread adds files; another may read under the same lock.
 */
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "journal/journal_row.h"
#include "journal/journal_store.h"

namespace orvanta {

using RowId = std::uint32_t;
using TransferId = std::uint32_t;

// Texts kept once each, in blocks that never move.
class TextArena {
public:
    std::uint32_t add(std::string_view text);
    std::string_view at(std::uint32_t handle) const;

private:
    std::vector<std::string> blocks_;
};

class JournalIndex {
public:
    // The journal's files among `names`; the others are left out.
    explicit JournalIndex(const std::vector<std::string>& names);

    std::size_t fileCount() const { return files_.size(); }
    const std::string& fileName(std::size_t file) const { return files_[file]; }
    // Adds the rows of one file, in any order of files.
    void add(std::size_t file, std::string_view content);

    std::size_t rowCount() const { return rows_.size(); }
    std::size_t transferCount() const { return transfers_.size(); }
    // The order in which rows were written: greater is later.
    std::uint64_t orderOf(RowId row) const { return (std::uint64_t{rows_[row].file} << 32) | rows_[row].offset; }
    TransferId transferOf(RowId row) const { return rows_[row].transfer; }
    std::uint32_t millisecondOfDay(RowId row) const { return rows_[row].millisecondOfDay; }
    std::string_view record(RowId row) const { return texts_.at(rows_[row].record); }
    std::string_view windowTitle(RowId row) const { return texts_.at(rows_[row].windowTitle); }
    std::string_view program(RowId row) const { return texts_.at(rows_[row].program); }
    // Texts are kept once for rows in a row with the same window: one look
    // at a handle does for all of them.
    std::uint32_t windowHandle(RowId row) const { return rows_[row].windowTitle; }
    std::uint32_t programHandle(RowId row) const { return rows_[row].program; }

    const LocalTime& transferTime(TransferId transfer) const { return transfers_[transfer].time; }
    int transferPort(TransferId transfer) const { return transfers_[transfer].comPort; }
    std::uint32_t transferRows(TransferId transfer) const { return transfers_[transfer].rows; }
    // The order of the transfer's first row.
    std::uint64_t transferOrder(TransferId transfer) const { return transfers_[transfer].firstOrder; }

    // The rows as they stand in their files, with their bytes; a row whose
    // file changed since (its pending rows moved into the day's file) is
    // looked for among the rows of its day.
    std::vector<JournalRow> readBack(JournalStore& store, const std::vector<RowId>& rows) const;

    // Held by a thread that reads while another adds; readBack holds it
    // itself.
    std::mutex& lock() const { return lock_; }

private:
    struct Row {
        std::uint32_t offset;   // in its file
        std::uint16_t file;
        std::uint16_t length;
        TransferId transfer;
        std::uint32_t millisecondOfDay;
        std::uint32_t record, windowTitle, program;   // text handles
    };
    struct Transfer {
        LocalTime time;
        int comPort = 0;
        std::uint32_t rows = 0;
        std::uint64_t firstOrder = UINT64_MAX;
    };
    struct TransferKey {
        std::int64_t time;   // the transfer's time and offset, packed
        int comPort;
        bool operator==(const TransferKey&) const = default;
    };
    struct TransferKeyHash {
        std::size_t operator()(const TransferKey& key) const
        {
            return std::hash<std::int64_t>()(key.time) ^ (static_cast<std::size_t>(key.comPort) << 1);
        }
    };

    TransferId transferFor(const JournalRowView& view);
    std::uint32_t textFor(std::string_view text, std::string_view& last, std::uint32_t& lastHandle);
    struct FilePart;
    std::optional<JournalRow> readOne(JournalStore& store, RowId row, const FilePart& part) const;
    bool isRow(const JournalRowView& view, RowId row) const;
    std::optional<JournalRow> findInDay(JournalStore& store, RowId row) const;

    std::vector<std::string> files_;
    std::vector<JournalFile> days_;
    std::deque<Row> rows_;
    std::vector<Transfer> transfers_;
    std::unordered_map<TransferKey, TransferId, TransferKeyHash> transferIds_;
    TextArena texts_;
    mutable std::mutex lock_;
};

}  // namespace orvanta
