/*
 * The recent-records list, decided without a window.
 */
#include "ui/recent_records.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

namespace orvanta {
namespace {

auto timeKey(const LocalTime& t)
{
    return std::tuple{t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond};
}

bool newerThan(const LocalTime& a, const LocalTime& b)
{
    return timeKey(a) > timeKey(b);
}

char folded(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool holds(std::string_view text, std::string_view search)
{
    const auto found = std::search(text.begin(), text.end(), search.begin(), search.end(),
                                   [](char a, char b) { return folded(a) == folded(b); });
    return found != text.end();
}

bool matches(const JournalRow& row, std::string_view search)
{
    return search.empty() || holds(row.record, search) || holds(row.windowTitle, search)
           || holds(row.program, search);
}

}  // namespace

RecentRecords::RecentRecords(std::vector<JournalRow> rows) : rows_(std::move(rows))
{
    std::vector<std::size_t> order(rows_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [this](std::size_t a, std::size_t b) { return newerThan(rows_[a].time, rows_[b].time); });
    for (std::size_t index : order) {
        const JournalRow& r = rows_[index];
        auto same = std::find_if(transfers_.begin(), transfers_.end(), [&r](const Transfer& t) {
            return t.time == r.transfer && t.comPort == r.comPort;
        });
        if (same == transfers_.end())
            same = transfers_.insert(transfers_.end(), Transfer{r.transfer, r.comPort, {}});
        same->rows.push_back(index);
    }
    std::stable_sort(transfers_.begin(), transfers_.end(),
                     [](const Transfer& a, const Transfer& b) { return newerThan(a.time, b.time); });
}

std::vector<RecentLine> RecentRecords::lines(std::string_view search) const
{
    std::vector<RecentLine> shown;
    for (std::size_t t = 0; t < transfers_.size(); ++t) {
        const std::size_t header = shown.size();
        for (std::size_t index : transfers_[t].rows) {
            if (matches(rows_[index], search))
                shown.push_back({false, t, index});
        }
        if (shown.size() > header)
            shown.insert(shown.begin() + static_cast<std::ptrdiff_t>(header), RecentLine{true, t, 0});
    }
    return shown;
}

std::vector<JournalRow> RecentRecords::chosen(const std::vector<RecentLine>& chosenLines) const
{
    std::vector<std::size_t> indexes;
    for (const RecentLine& line : chosenLines) {
        if (line.isTransfer)
            indexes.insert(indexes.end(), transfers_[line.transfer].rows.begin(), transfers_[line.transfer].rows.end());
        else
            indexes.push_back(line.row);
    }
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    std::stable_sort(indexes.begin(), indexes.end(),
                     [this](std::size_t a, std::size_t b) { return newerThan(rows_[b].time, rows_[a].time); });
    std::vector<JournalRow> records;
    for (std::size_t index : indexes)
        records.push_back(rows_[index]);
    return records;
}

std::string RecentRecords::transferTime(std::size_t transfer) const
{
    const LocalTime& t = transfers_[transfer].time;
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

std::string RecentRecords::transferSummary(std::size_t transfer) const
{
    const Transfer& t = transfers_[transfer];
    char text[48];
    std::snprintf(text, sizeof text, "COM%d, %zu record%s", t.comPort, t.rows.size(), t.rows.size() == 1 ? "" : "s");
    return text;
}

}  // namespace orvanta
