/*
 * Reading a journal file back: where its last whole row ends, so that a row
 * torn by a power cut can be cut off before the next one is appended, and
 * its rows for showing what was typed.
 */
#include "journal/journal_row.h"

#include <charconv>

namespace orvanta {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kFieldCount = 8;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The fields of the row that starts at `at`, which moves past the row's CRLF. The content ends with a
// whole row, so a row always ends there.
std::vector<std::string> readFields(std::string_view content, std::size_t& at)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    while (at < content.size()) {
        const char c = content[at++];
        const bool quoteFollows = at < content.size() && content[at] == '"';
        if (c == '"' && quoted && quoteFollows) {
            fields.back() += '"';
            ++at;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == ',') {
            fields.emplace_back();
        } else if (!quoted && c == '\r' && at < content.size() && content[at] == '\n') {
            ++at;
            break;
        } else {
            fields.back() += c;
        }
    }
    return fields;
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
    const auto at = [&](std::size_t position, std::size_t width) { return *numberAt(text, position, width); };
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
    for (std::size_t i = 0; i < text.size(); i += 3) {
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0 || (i + 2 < text.size() && text[i + 2] != ' '))
            return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

std::optional<JournalAction> parseAction(std::string_view text)
{
    if (text == "typed")
        return JournalAction::Typed;
    if (text == "typed again")
        return JournalAction::TypedAgain;
    return std::nullopt;
}

// The header fails here like any row not in the journal's own form.
std::optional<JournalRow> parseRow(std::vector<std::string>& fields)
{
    if (fields.size() != kFieldCount)
        return std::nullopt;
    const auto time = parseTime(fields[0]);
    const auto port = parsePort(fields[1]);
    auto bytes = parseBytes(fields[3]);
    const auto action = parseAction(fields[6]);
    const auto transfer = parseTime(fields[7]);
    if (!time || !port || !bytes || !action || !transfer)
        return std::nullopt;
    return JournalRow{*time, *port, std::move(fields[2]), std::move(*bytes), std::move(fields[4]),
                      std::move(fields[5]), *action, *transfer};
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

std::vector<JournalRow> readJournal(std::string_view content)
{
    content = content.substr(0, endOfLastWholeRow(content));
    std::size_t at = content.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    std::vector<JournalRow> rows;
    while (at < content.size()) {
        auto fields = readFields(content, at);
        if (auto row = parseRow(fields))
            rows.push_back(std::move(*row));
    }
    return rows;
}

}  // namespace orvanta
