/*
 * Reading a journal file back: where its last whole row ends, so that a row
 * torn by a power cut can be cut off before the next one is appended, and
 * its rows, one at a time, for showing what was typed. A row is read in
 * place; only a field with a doubled quote in it is copied.
 */
#include "journal/journal_row.h"

#include <charconv>

#include "journal/formula_guard.h"

namespace orvanta {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kFieldCount = 8;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::optional<int> numberAt(std::string_view text, std::size_t at, std::size_t width)
{
    int value = 0;
    const char* end = text.data() + at + width;
    const auto [stop, error] = std::from_chars(text.data() + at, end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

std::optional<LocalTime> parseTime(std::string_view text)
{
    constexpr std::string_view kShape = "0000-00-00T00:00:00.000+00:00";   // '0' stands for any digit
    constexpr std::size_t kSignAt = 23;
    if (text.size() != kShape.size())
        return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool fits = kShape[i] == '0'  ? isDigit(text[i])
                          : i == kSignAt ? text[i] == '+' || text[i] == '-'
                                         : text[i] == kShape[i];
        if (!fits)
            return std::nullopt;
    }
    const auto at = [&](std::size_t position, std::size_t width) {
        int value = 0;
        for (std::size_t i = position; i < position + width; ++i)
            value = value * 10 + (text[i] - '0');
        return value;
    };
    const int offset = at(24, 2) * 60 + at(27, 2);
    return LocalTime{at(0, 4),  at(5, 2),  at(8, 2),  at(11, 2),
                     at(14, 2), at(17, 2), at(20, 3), text[kSignAt] == '-' ? -offset : offset};
}

std::optional<int> parsePort(std::string_view text)
{
    if (text.size() < 4 || text.substr(0, 3) != "COM" || !isDigit(text[3]))
        return std::nullopt;
    return numberAt(text, 3, text.size() - 3);
}

int hexDigit(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Pairs of hex digits with one space between them, as the writer puts them.
std::optional<std::string> parseBytes(std::string_view text)
{
    if (!text.empty() && text.size() % 3 != 2)
        return std::nullopt;
    std::string bytes;
    bytes.reserve(text.size() / 3 + 1);
    for (std::size_t i = 0; i < text.size(); i += 3) {
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0 || (i + 2 < text.size() && text[i + 2] != ' '))
            return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

bool bytesShape(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool fits = i % 3 == 2 ? text[i] == ' ' : hexDigit(text[i]) >= 0;
        if (!fits)
            return false;
    }
    return text.empty() || text.size() % 3 == 2;
}

std::optional<JournalAction> parseAction(std::string_view text)
{
    if (text == "typed")
        return JournalAction::Typed;
    if (text == "typed again")
        return JournalAction::TypedAgain;
    return std::nullopt;
}

}  // namespace

std::size_t endOfLastWholeRow(std::string_view content)
{
    // A doubled quote inside a quoted field flips the state twice, so flipping on every quote is
    // enough to know whether a CRLF is inside a field or ends a row.
    std::size_t end = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] == '"')
            quoted = !quoted;
        else if (!quoted && content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n')
            end = i + 2;
    }
    return end;
}

JournalRowReader::JournalRowReader(std::string_view content) : content_(content)
{
    at_ = content_.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    fields_.reserve(kFieldCount + 1);
}

// The fields of the row at at_, which moves past the row's CRLF. A row
// ends at a CRLF outside quotes, as endOfLastWholeRow finds it; what
// follows the last one is a torn row, and no row.
bool JournalRowReader::splitRow()
{
    if (at_ >= content_.size())
        return false;
    rowStart_ = at_;
    fields_.clear();
    fields_.push_back({at_, at_, false});
    bool quoted = false;
    while (at_ < content_.size()) {
        const char c = content_[at_++];
        if (c == '"') {
            quoted = !quoted;
            fields_.back().quoted = true;
        } else if (!quoted && c == ',') {
            fields_.back().end = at_ - 1;
            fields_.push_back({at_, at_, false});
        } else if (!quoted && c == '\r' && at_ < content_.size() && content_[at_] == '\n') {
            fields_.back().end = at_ - 1;
            ++at_;
            return true;
        }
    }
    return false;
}

// A field without quotes is read in place; one with quotes loses them, and
// a doubled quote inside them stands for one.
std::string_view JournalRowReader::field(std::size_t index)
{
    const Span& span = fields_[index];
    const std::string_view raw = content_.substr(span.begin, span.end - span.begin);
    if (!span.quoted)
        return raw;
    std::string& out = scratch_[index];
    out.clear();
    bool quoted = false;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '"' && quoted && i + 1 < raw.size() && raw[i + 1] == '"')
            out += raw[++i];
        else if (raw[i] == '"')
            quoted = !quoted;
        else
            out += raw[i];
    }
    return out;
}

bool JournalRowReader::next(JournalRowView& row)
{
    while (splitRow()) {
        if (fields_.size() != kFieldCount)
            continue;   // the header fails here too, like any row not in the journal's own form
        const auto time = parseTime(field(0));
        const auto port = parsePort(field(1));
        const auto action = parseAction(field(6));
        const auto transfer = parseTime(field(7));
        const std::string_view bytes = field(3);
        if (!time || !port || !action || !transfer || !bytesShape(bytes))
            continue;
        row.offset = rowStart_;
        row.length = at_ - rowStart_;
        row.time = *time;
        row.transfer = *transfer;
        row.comPort = *port;
        row.action = *action;
        row.bytesHex = bytes;
        row.record = formulaUnguarded(field(2));
        row.windowTitle = formulaUnguarded(field(4));
        row.program = formulaUnguarded(field(5));
        return true;
    }
    return false;
}

JournalRow rowOf(const JournalRowView& view)
{
    return JournalRow{view.time,
                      view.comPort,
                      std::string(view.record),
                      parseBytes(view.bytesHex).value_or(std::string{}),
                      std::string(view.windowTitle),
                      std::string(view.program),
                      view.action,
                      view.transfer};
}

std::vector<JournalRow> readJournal(std::string_view content)
{
    std::vector<JournalRow> rows;
    JournalRowReader reader(content);
    JournalRowView view;
    while (reader.next(view))
        rows.push_back(rowOf(view));
    return rows;
}

}  // namespace orvanta
