/*
 * Writing journal rows, and the day of a journal file from its name: which
 * file a row goes to and which files are old enough to remove.
 */
#include "journal/journal_row.h"

#include <algorithm>

namespace orvanta {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kHeader = "Time,Port,Record,Bytes,Window,Program,Action,Transfer\r\n";
constexpr std::string_view kFileNameShape = "0000-00-00.csv";   // '0' stands for any digit

void appendPadded(std::string& out, int value, std::size_t width)
{
    const std::string digits = std::to_string(value);
    out.append(width - std::min(width, digits.size()), '0');
    out += digits;
}

std::string dateText(const LocalTime& time)
{
    std::string out;
    appendPadded(out, time.year, 4);
    out += '-';
    appendPadded(out, time.month, 2);
    out += '-';
    appendPadded(out, time.day, 2);
    return out;
}

std::string timeText(const LocalTime& time)
{
    std::string out = dateText(time) + 'T';
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

// RFC 4180: only a field holding a separator, a quote or a line break is quoted.
void appendField(std::string& out, std::string_view field)
{
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
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

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
long long daysFromCivil(int year, int month, int day)
{
    const long long y = month <= 2 ? year - 1LL : year;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yearOfEra = y - era * 400;
    const long long dayOfYear = (153LL * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int digitsAt(std::string_view text, std::size_t at, std::size_t width)
{
    int value = 0;
    for (std::size_t i = at; i < at + width; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

}  // namespace

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

std::string journalFileName(const LocalTime& time)
{
    return dateText(time) + ".csv";
}

std::optional<std::tuple<int, int, int>> journalFileDate(std::string_view fileName)
{
    if (fileName.size() != kFileNameShape.size())
        return std::nullopt;
    for (std::size_t i = 0; i < fileName.size(); ++i) {
        const bool digit = fileName[i] >= '0' && fileName[i] <= '9';
        if (kFileNameShape[i] == '0' ? !digit : fileName[i] != kFileNameShape[i])
            return std::nullopt;
    }
    const int year = digitsAt(fileName, 0, 4);
    const int month = digitsAt(fileName, 5, 2);
    const int day = digitsAt(fileName, 8, 2);
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        return std::nullopt;
    return std::tuple{year, month, day};
}

bool journalFileExpired(std::string_view fileName, int year, int month, int day, int keepDays)
{
    const auto date = journalFileDate(fileName);
    if (!date)
        return false;
    const auto [fileYear, fileMonth, fileDay] = *date;
    const long long age = daysFromCivil(year, month, day) - daysFromCivil(fileYear, fileMonth, fileDay);
    return age > std::max(keepDays, 0);
}

}  // namespace orvanta
