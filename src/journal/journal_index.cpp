/*
 * The journal's rows in memory, grouped by transfer as they come.
 */
#include "journal/journal_index.h"

#include <algorithm>
#include <map>

namespace orvanta {
namespace {

constexpr std::size_t kBlockBits = 20;
constexpr std::size_t kBlockSize = std::size_t{1} << kBlockBits;
constexpr std::size_t kMostText = 0xFFFF;
// Rows added while a reader waits for the index.
constexpr std::size_t kRowsUnderOneHold = 4096;
// A row keeps its file's place in 16 bits.
constexpr std::size_t kMostFiles = 0xFFFF;
// Rows chosen in one file are read in one piece up to this size.
constexpr std::size_t kMostSpanRead = std::size_t{16} << 20;

std::uint32_t timeOfDayMs(const LocalTime& t)
{
    return static_cast<std::uint32_t>(((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond);
}

std::int64_t packed(const LocalTime& t)
{
    const std::int64_t day = dayNumber(dayOf(t));
    return (day * 86'400'000 + timeOfDayMs(t)) * 2048 + (t.utcOffsetMinutes + 1024);
}

}  // namespace

std::uint32_t TextArena::add(std::string_view text)
{
    text = text.substr(0, kMostText);
    if (blocks_.empty() || blocks_.back().size() + 2 + text.size() > kBlockSize) {
        blocks_.emplace_back();
        blocks_.back().reserve(kBlockSize);
    }
    std::string& block = blocks_.back();
    const auto handle = static_cast<std::uint32_t>(((blocks_.size() - 1) << kBlockBits) | block.size());
    block += static_cast<char>(text.size() & 0xFF);
    block += static_cast<char>(text.size() >> 8);
    block += text;
    return handle;
}

std::string_view TextArena::at(std::uint32_t handle) const
{
    const std::string& block = blocks_[handle >> kBlockBits];
    const std::size_t at = handle & (kBlockSize - 1);
    const auto byteAt = [&block](std::size_t i) { return static_cast<std::size_t>(static_cast<unsigned char>(block[i])); };
    const std::size_t size = byteAt(at) | (byteAt(at + 1) << 8);
    return std::string_view(block).substr(at + 2, size);
}

JournalIndex::JournalIndex(const std::vector<std::string>& names)
{
    std::vector<std::pair<JournalFile, std::string>> found;
    for (const std::string& name : names) {
        if (const auto file = journalFileOf(name))
            found.emplace_back(*file, name);
    }
    std::sort(found.begin(), found.end());
    if (found.size() > kMostFiles)   // the newest of them
        found.erase(found.begin(), found.end() - kMostFiles);
    for (auto& [file, name] : found) {
        days_.push_back(file);
        files_.push_back(std::move(name));
    }
}

void JournalIndex::add(std::size_t file, std::string_view content)
{
    std::string_view lastWindow, lastProgram;
    std::uint32_t windowHandle = 0, programHandle = 0;
    std::unique_lock hold(lock_);
    JournalRowReader reader(content);
    for (JournalRowView view; reader.next(view);) {
        if (rows_.size() % kRowsUnderOneHold == 0) {   // a reader waits for a moment only
            hold.unlock();
            hold.lock();
        }
        if (view.offset > UINT32_MAX || view.length > 0xFFFF)
            continue;
        Row row{static_cast<std::uint32_t>(view.offset),
                static_cast<std::uint16_t>(file),
                static_cast<std::uint16_t>(view.length),
                transferFor(view),
                timeOfDayMs(view.time),
                texts_.add(view.record),
                textFor(view.windowTitle, lastWindow, windowHandle),
                textFor(view.program, lastProgram, programHandle)};
        Transfer& transfer = transfers_[row.transfer];
        ++transfer.rows;
        transfer.firstOrder = std::min(transfer.firstOrder, (std::uint64_t{row.file} << 32) | row.offset);
        rows_.push_back(row);
    }
}

TransferId JournalIndex::transferFor(const JournalRowView& view)
{
    const TransferKey key{packed(view.transfer), view.comPort};
    const auto [found, added] = transferIds_.try_emplace(key, static_cast<TransferId>(transfers_.size()));
    if (added)
        transfers_.push_back(Transfer{view.transfer, view.comPort});
    return found->second;
}

// A row's window is most often the one of the row before it.
std::uint32_t JournalIndex::textFor(std::string_view text, std::string_view& last, std::uint32_t& lastHandle)
{
    if (!last.data() || text != last) {
        lastHandle = texts_.add(text);
        last = texts_.at(lastHandle);
    }
    return lastHandle;
}

// The part of a file that holds the rows chosen in it, read once where it
// is small enough.
struct JournalIndex::FilePart {
    std::size_t from = SIZE_MAX, to = 0;
    std::optional<std::string> bytes;
};

std::vector<JournalRow> JournalIndex::readBack(JournalStore& store, const std::vector<RowId>& chosen) const
{
    const std::lock_guard hold(lock_);
    std::map<std::uint16_t, FilePart> parts;
    for (const RowId id : chosen) {
        FilePart& part = parts[rows_[id].file];
        part.from = std::min<std::size_t>(part.from, rows_[id].offset);
        part.to = std::max<std::size_t>(part.to, rows_[id].offset + rows_[id].length);
    }
    for (auto& [file, part] : parts) {
        if (part.to - part.from <= kMostSpanRead)
            part.bytes = store.readPart(files_[file], part.from, part.to - part.from);
    }
    std::vector<JournalRow> rows;
    for (const RowId id : chosen) {
        if (auto row = readOne(store, id, parts[rows_[id].file]))
            rows.push_back(std::move(*row));
    }
    return rows;
}

std::optional<JournalRow> JournalIndex::readOne(JournalStore& store, RowId id, const FilePart& part) const
{
    const Row& row = rows_[id];
    std::string own;
    std::string_view text;
    if (part.bytes)
        text = std::string_view(*part.bytes).substr(std::min(row.offset - part.from, part.bytes->size()), row.length);
    else
        text = own = store.readPart(files_[row.file], row.offset, row.length).value_or("");
    JournalRowReader reader(text);
    JournalRowView view;
    if (reader.next(view) && isRow(view, id))
        return rowOf(view);
    return findInDay(store, id);
}

bool JournalIndex::isRow(const JournalRowView& view, RowId id) const
{
    return timeOfDayMs(view.time) == rows_[id].millisecondOfDay && view.record == record(id);
}

// The row with the same time of day and record in its day's files.
std::optional<JournalRow> JournalIndex::findInDay(JournalStore& store, RowId id) const
{
    const JournalDay day = days_[rows_[id].file].day;
    for (const bool pending : {false, true}) {
        const std::string content = store.read(pending ? pendingFileName(day) : journalFileName(day)).value_or("");
        JournalRowReader reader(content);
        for (JournalRowView view; reader.next(view);) {
            if (isRow(view, id))
                return rowOf(view);
        }
    }
    return std::nullopt;
}

}  // namespace orvanta
