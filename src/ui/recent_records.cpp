/*
 * The recent-records list, decided without a window.
 */
#include "ui/recent_records.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <utility>

namespace orvanta {
namespace {

char folded(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string foldedText(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), folded);
    return out;
}

// `search` is folded already.
bool holds(std::string_view text, std::string_view search)
{
    if (search.size() > text.size())
        return false;
    const std::size_t last = text.size() - search.size();
    for (std::size_t at = 0; at <= last; ++at) {
        if (folded(text[at]) != search[0])
            continue;
        std::size_t i = 1;
        while (i < search.size() && folded(text[at + i]) == search[i])
            ++i;
        if (i == search.size())
            return true;
    }
    return false;
}

// Rows in a row share their window's and program's texts: each is looked
// at once for all of them.
class RowMatch {
public:
    RowMatch(const JournalIndex& index, std::string_view search) : index_(index), search_(foldedText(search)) {}

    bool operator()(RowId row)
    {
        return search_.empty() || holds(index_.record(row), search_)
               || cached(index_.windowHandle(row), window_, [&] { return holds(index_.windowTitle(row), search_); })
               || cached(index_.programHandle(row), program_, [&] { return holds(index_.program(row), search_); });
    }

private:
    struct Last {
        std::uint32_t handle = UINT32_MAX;
        bool holds = false;
    };
    template <typename Look>
    static bool cached(std::uint32_t handle, Last& last, Look look)
    {
        if (handle != last.handle)
            last = {handle, look()};
        return last.holds;
    }

    const JournalIndex& index_;
    const std::string search_;
    Last window_, program_;
};

}  // namespace

// Rows come into the index file by file, each file in order, so a group
// is most often in order already (oldest first) and only turned round.
RecentOrder::RecentOrder(const JournalIndex& index)
{
    transfers_.resize(index.transferCount());
    std::iota(transfers_.begin(), transfers_.end(), TransferId{0});
    std::sort(transfers_.begin(), transfers_.end(),
              [&](TransferId a, TransferId b) { return index.transferOrder(a) > index.transferOrder(b); });
    placeOf_.resize(transfers_.size());
    for (std::uint32_t place = 0; place < transfers_.size(); ++place)
        placeOf_[transfers_[place]] = place;
    std::vector<std::uint32_t> next(transfers_.size() + 1, 0);
    for (RowId row = 0; row < index.rowCount(); ++row)
        ++next[placeOf_[index.transferOf(row)] + 1];
    std::partial_sum(next.begin(), next.end(), next.begin());
    groupEnd_.assign(next.begin() + 1, next.end());
    rows_.resize(index.rowCount());
    for (RowId row = 0; row < index.rowCount(); ++row)
        rows_[next[placeOf_[index.transferOf(row)]]++] = row;
    const auto older = [&](RowId a, RowId b) { return index.orderOf(a) < index.orderOf(b); };
    for (std::uint32_t place = 0; place < transfers_.size(); ++place) {
        const auto begin = rows_.begin() + (place ? groupEnd_[place - 1] : 0);
        const auto end = rows_.begin() + groupEnd_[place];
        if (!std::is_sorted(begin, end, older))
            std::sort(begin, end, older);
        std::reverse(begin, end);
    }
}

RecentList RecentOrder::listFor(const JournalIndex& index, std::string_view search) const
{
    RecentList list;
    if (search.empty())
        list.lines_.reserve(rows_.size() + transfers_.size());
    RowMatch matches(index, search);
    std::uint32_t begin = 0;
    for (std::uint32_t place = 0; place < transfers_.size(); ++place) {
        bool shown = false;
        for (std::uint32_t at = begin; at < groupEnd_[place]; ++at) {
            if (!matches(rows_[at]))
                continue;
            if (!std::exchange(shown, true))
                list.lines_.push_back(transfers_[place] | RecentList::kTransferLine);
            list.lines_.push_back(rows_[at]);
            ++list.records_;
        }
        begin = groupEnd_[place];
    }
    return list;
}

std::vector<RowId> RecentOrder::chosen(const JournalIndex& index, const RecentList& list,
                                       const std::vector<std::size_t>& chosenLines) const
{
    std::vector<RowId> rows;
    for (const std::size_t line : chosenLines) {
        if (line >= list.size())
            continue;
        if (!list.isTransfer(line)) {
            rows.push_back(list.idOf(line));
            continue;
        }
        const std::uint32_t place = placeOf_[list.idOf(line)];
        rows.insert(rows.end(), rows_.begin() + (place ? groupEnd_[place - 1] : 0), rows_.begin() + groupEnd_[place]);
    }
    std::sort(rows.begin(), rows.end(), [&](RowId a, RowId b) { return index.orderOf(a) < index.orderOf(b); });
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

std::string transferTimeText(const JournalIndex& index, TransferId transfer)
{
    const LocalTime& t = index.transferTime(transfer);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

std::string transferSummaryText(const JournalIndex& index, TransferId transfer)
{
    const std::uint32_t rows = index.transferRows(transfer);
    char text[48];
    std::snprintf(text, sizeof text, "COM%d, %u record%s", index.transferPort(transfer), rows, rows == 1 ? "" : "s");
    return text;
}

std::string recordClockText(const JournalIndex& index, RowId row)
{
    const std::uint32_t seconds = index.millisecondOfDay(row) / 1000;
    char text[16];
    std::snprintf(text, sizeof text, "   %02u:%02u:%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

namespace {

std::string grouped(std::size_t count)
{
    const std::string digits = std::to_string(count);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += ',';
        text += digits[i];
    }
    return text;
}

std::string counted(std::size_t count, const char* one, const char* many)
{
    return grouped(count) + ' ' + (count == 1 ? one : many);
}

}  // namespace

// "12 records of 890,000", "890,000 records in 9,120 transfers"; while the
// files are read, "600,000 records; reading 60 of 89 files", short enough
// for the line under the list.
std::string recentStatusText(std::size_t filesRead, std::size_t files, std::size_t recordsShown,
                             std::size_t recordsRead, std::size_t transfersRead, bool searching)
{
    const bool reading = filesRead < files;
    std::string text = counted(searching ? recordsShown : recordsRead, "record", "records");
    if (searching)
        text += " of " + grouped(recordsRead);
    else if (!reading)
        text += " in " + counted(transfersRead, "transfer", "transfers");
    if (reading)
        text += "; reading " + grouped(filesRead) + " of " + counted(files, "file", "files");
    return text;
}

}  // namespace orvanta
