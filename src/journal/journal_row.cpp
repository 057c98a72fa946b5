/*
 * Writing journal rows, and the day of a journal file from its name: which
 * file a row goes to and which files are old enough to remove.
 */
#include "journal/journal_row.h"

#include <algorithm>
#include <set>

#include "journal/formula_guard.h"

namespace orvanta {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kHeader = "Time,Port,Record,Bytes,Window,Program,Action,Transfer\r\n";
constexpr std::string_view kDayShape = "0000-00-00";   // '0' stands for any digit
constexpr std::string_view kDayFileEnd = ".csv";
constexpr std::string_view kPendingFileEnd = " pending.csv";

void appendPadded(std::string& out, int value, std::size_t width)
{
    const std::string digits = std::to_string(value);
    out.append(width - std::min(width, digits.size()), '0');
    out += digits;
}

std::string dateText(const JournalDay& day)
{
    std::string out;
    appendPadded(out, day.year, 4);
    out += '-';
    appendPadded(out, day.month, 2);
    out += '-';
    appendPadded(out, day.day, 2);
    return out;
}

std::string timeText(const LocalTime& time)
{
    std::string out = dateText(dayOf(time)) + 'T';
    appendPadded(out, time.hour, 2);
    out += ':';
    appendPadded(out, time.minute, 2);
    out += ':';
    appendPadded(out, time.second, 2);
    out += '.';
    appendPadded(out, time.millisecond, 3);
    out += time.utcOffsetMinutes < 0 ? '-' : '+';
    const int offset = time.utcOffsetMinutes < 0 ? -time.utcOffsetMinutes : time.utcOffsetMinutes;
    appendPadded(out, offset / 60, 2);
    out += ':';
    appendPadded(out, offset % 60, 2);
    return out;
}

std::string hexText(std::string_view bytes)
{
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (!out.empty())
            out += ' ';
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0x0F];
    }
    return out;
}

// RFC 4180: only a field holding a separator, a quote or a line break is
// quoted. A field a spreadsheet would take for a formula gets its
// apostrophe first.
void appendField(std::string& out, std::string_view text)
{
    const std::string field = formulaGuarded(text);
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        out += field;
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

int digitsAt(std::string_view text, std::size_t at, std::size_t width)
{
    int value = 0;
    for (std::size_t i = at; i < at + width; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

std::optional<JournalDay> dayOfText(std::string_view text)
{
    for (std::size_t i = 0; i < kDayShape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kDayShape[i] == '0' ? !digit : text[i] != kDayShape[i])
            return std::nullopt;
    }
    const JournalDay day{digitsAt(text, 0, 4), digitsAt(text, 5, 2), digitsAt(text, 8, 2)};
    if (day.month < 1 || day.month > 12 || day.day < 1 || day.day > daysInMonth(day.year, day.month))
        return std::nullopt;
    return day;
}

}  // namespace

JournalDay dayOf(const LocalTime& time)
{
    return {time.year, time.month, time.day};
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
long long dayNumber(const JournalDay& day)
{
    const long long y = day.month <= 2 ? day.year - 1LL : day.year;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yearOfEra = y - era * 400;
    const long long dayOfYear = (153LL * (day.month > 2 ? day.month - 3 : day.month + 9) + 2) / 5 + day.day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// H. Hinnant's civil_from_days.
JournalDay dayFromNumber(long long number)
{
    number += 719468;
    const long long era = (number >= 0 ? number : number - 146096) / 146097;
    const long long dayOfEra = number - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    return {static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0)), month, day};
}

std::string journalFileStart()
{
    return std::string(kByteOrderMark) + std::string(kHeader);
}

std::string journalRow(const JournalRow& row)
{
    std::string out = timeText(row.time);
    out += ",COM" + std::to_string(row.comPort) + ',';
    appendField(out, row.record);
    out += ',' + hexText(row.bytes) + ',';
    appendField(out, row.windowTitle);
    out += ',';
    appendField(out, row.program);
    out += row.action == JournalAction::TypedAgain ? ",typed again," : ",typed,";
    return out + timeText(row.transfer) + "\r\n";
}

std::string journalFileName(const JournalDay& day)
{
    return dateText(day) + std::string(kDayFileEnd);
}

std::string pendingFileName(const JournalDay& day)
{
    return dateText(day) + std::string(kPendingFileEnd);
}

std::optional<JournalFile> journalFileOf(std::string_view fileName)
{
    if (fileName.size() < kDayShape.size())
        return std::nullopt;
    const std::string_view end = fileName.substr(kDayShape.size());
    if (end != kDayFileEnd && end != kPendingFileEnd)
        return std::nullopt;
    const auto day = dayOfText(fileName);
    if (!day)
        return std::nullopt;
    return JournalFile{*day, end == kPendingFileEnd};
}

std::vector<std::string> expiredJournalFiles(const std::vector<std::string>& names, const JournalDay& today,
                                             int keepDays)
{
    const long long keep = std::max(keepDays, 0);
    std::set<JournalDay> held{today};
    for (const std::string& name : names) {
        if (const auto file = journalFileOf(name))
            held.insert(file->day);
    }
    std::vector<std::string> expired;
    for (const std::string& name : names) {
        const auto file = journalFileOf(name);
        if (!file || dayNumber(today) - dayNumber(file->day) <= keep)
            continue;
        const auto newerDays = std::distance(held.upper_bound(file->day), held.end());
        if (newerDays > keep)
            expired.push_back(name);
    }
    return expired;
}

}  // namespace orvanta
