/*
 * Reading and writing the settings file image, and applying the command
 * line. Both inputs are split the way the C string tokenizer splits text:
 * a run of delimiters counts as one, so an empty line in the file or an
 * empty field between two commas does not hold a place of its own.
 */
#include "settings/settings_file.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace orvanta {
namespace {

// A code record is read 1..10 bytes after its flag byte, and the suffix
// search restarts 12 bytes after it. A record whose flag byte is the last
// byte of the view therefore reaches 12 bytes past it; the working buffer
// keeps zeros there so such reads find "nothing" instead of foreign memory.
constexpr std::size_t kRecordReach = 12;
constexpr std::size_t kParseBufferSize = kSettingsFileView + kRecordReach + 4;
constexpr int kSettingLines = 7;
constexpr int kCommandLineFields = 7;

// Splits a 0-terminated byte text in place, like strtok: a piece starts
// after any run of delimiters, ends at the next delimiter (overwritten
// with 0) or at the text's end (after which no further piece is found).
class Tokenizer {
public:
    Tokenizer(std::uint8_t* text, std::string_view delimiters) : text_(text), delimiters_(delimiters) {}

    bool next(std::size_t& start)
    {
        while (isDelimiter(text_[position_]))
            ++position_;
        if (text_[position_] == 0)
            return false;
        start = position_;
        while (text_[position_] != 0 && !isDelimiter(text_[position_]))
            ++position_;
        if (text_[position_] != 0)
            text_[position_++] = 0;
        return true;
    }

    void restartAt(std::size_t position) { position_ = position; }

private:
    bool isDelimiter(std::uint8_t byte) const
    {
        return byte != 0 && delimiters_.find(static_cast<char>(byte)) != std::string_view::npos;
    }

    std::uint8_t* text_;
    std::string_view delimiters_;
    std::size_t position_ = 0;
};

bool isWhiteSpace(std::uint8_t byte)
{
    return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

bool isDigit(std::uint8_t byte) { return byte >= '0' && byte <= '9'; }

// strtol-like: leading white space, optional sign, digits up to the first
// other byte; no digits give 0. Large values saturate, which keeps them
// outside every accepted range with their sign intact.
long long leadingDecimal(const std::uint8_t* text)
{
    constexpr long long kSaturated = 10'000'000'000LL;
    while (isWhiteSpace(*text))
        ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    long long value = 0;
    for (; isDigit(*text); ++text)
        value = std::min(value * 10 + (*text - '0'), kSaturated);
    return negative ? -value : value;
}

// Stores `value` only when it lies in [low, high].
template <typename Field>
void assignIfWithin(Field& field, long long value, long long low, long long high)
{
    if (value >= low && value <= high)
        field = static_cast<Field>(value);
}

// Stores the digit of a first character in [first, last], shifted so that
// `first` gives `base`.
template <typename Field>
void assignDigit(Field& field, std::uint8_t character, char first, char last, int base)
{
    if (character >= first && character <= last)
        field = static_cast<Field>(character - first + base);
}

void applySettingLine(Settings& settings, int lineNumber, const std::uint8_t* line)
{
    switch (lineNumber) {
    case 1: assignDigit(settings.transmissionType, line[0], '0', '1', 0); break;
    case 2: assignIfWithin(settings.comPort, leadingDecimal(line), kMinComPort, kMaxComPort); break;
    case 3: assignDigit(settings.baudIndex, line[0], '0', '4', 0); break;
    case 4: assignDigit(settings.addCr, line[0], '0', '1', 0); break;
    case 5: assignDigit(settings.keepOnline, line[0], '0', '1', 0); break;
    case 6:
        assignIfWithin(settings.pollingSeconds, leadingDecimal(line), kMinPollingSeconds, kMaxPollingSeconds);
        break;
    case 7: assignIfWithin(settings.charDelayMs, leadingDecimal(line), kMinCharDelayMs, kMaxCharDelayMs); break;
    default: break;
    }
}

// A flag byte "0"/"1" and the 10 raw code bytes after it; returns false,
// leaving both fields alone, when the flag byte is anything else.
bool readCodeRecord(const std::uint8_t* record, std::int8_t& enabled, CodeBuffer& codes)
{
    if (record[0] != '0' && record[0] != '1')
        return false;
    enabled = static_cast<std::int8_t>(record[0] - '0');
    std::memcpy(codes.data(), record + 1, kMaxCodes);
    for (std::size_t i = 0; i < kMaxCodes && codes[i] != 0; ++i) {
        if (codes[i] == kStoredEnterCode)
            codes[i] = kEnterCode;
    }
    return true;
}

// Code lists shorter than 10 contain zeros, which end the text for the
// tokenizer; so the suffix record is looked for at its fixed distance from
// the prefix record instead of by following the lines.
void parseCodeRecords(Settings& settings, const std::uint8_t* buffer, Tokenizer& lines)
{
    std::size_t start = 0;
    if (!lines.next(start))
        return;
    if (readCodeRecord(buffer + start, settings.prefixEnabled, settings.prefixCodes))
        lines.restartAt(start + kRecordReach);
    else
        lines.restartAt(start);  // finds the same line, which fails again below
    if (!lines.next(start))
        return;
    readCodeRecord(buffer + start, settings.suffixEnabled, settings.suffixCodes);
}

std::size_t appendLine(std::uint8_t* out, std::int32_t value)
{
    char* begin = reinterpret_cast<char*>(out);
    char* end = std::to_chars(begin, begin + 11, value).ptr;
    *end++ = '\r';
    *end++ = '\n';
    return static_cast<std::size_t>(end - begin);
}

std::size_t appendCodeRecord(std::uint8_t* out, std::int8_t enabled, const CodeBuffer& codes)
{
    out[0] = static_cast<std::uint8_t>('0' + enabled);
    std::memcpy(out + 1, codes.data(), kMaxCodes);
    out[1 + kMaxCodes] = '\r';
    out[2 + kMaxCodes] = '\n';
    return kMaxCodes + 3;
}

// Copies at most kMaxCommandLine characters, stopping at the first byte
// that ends the text or is outside 7-bit ASCII, and keeps only the visible
// ones: blanks around fields must not matter.
void compactCommandLine(const char* text, std::uint8_t (&compacted)[kMaxCommandLine + 1])
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < kMaxCommandLine; ++i) {
        const auto byte = static_cast<std::uint8_t>(text[i]);
        if (byte == 0 || byte >= 128)
            break;
        if (byte >= '!')
            compacted[kept++] = byte;
    }
    compacted[kept] = 0;
}

// Below 1 means "not usable", which falls back to the usual 2 s rather
// than being ignored: a command line always sets the polling period.
std::int32_t commandLinePolling(long long value)
{
    if (value < kMinPollingSeconds)
        return 2;
    return static_cast<std::int32_t>(std::min<long long>(value, kMaxPollingSeconds));
}

void applyCommandLineField(Settings& settings, int fieldNumber, const std::uint8_t* field)
{
    switch (fieldNumber) {
    case 1: assignDigit(settings.transmissionType, field[0], '1', '2', 0); break;
    case 2: assignIfWithin(settings.comPort, leadingDecimal(field), kMinComPort, kMaxComPort); break;
    case 3: assignDigit(settings.baudIndex, field[0], '1', '5', 0); break;
    case 4: assignDigit(settings.addCr, field[0], '0', '1', 0); break;
    case 5: assignDigit(settings.keepOnline, field[0], '0', '1', 0); break;
    case 6: settings.pollingSeconds = commandLinePolling(leadingDecimal(field)); break;
    case 7: assignIfWithin(settings.charDelayMs, leadingDecimal(field), kMinCharDelayMs, kMaxCharDelayMs); break;
    default: break;
    }
}

void clearCodeLists(Settings& settings)
{
    settings.prefixEnabled = 0;
    settings.suffixEnabled = 0;
    settings.prefixCodes.fill(0);
    settings.suffixCodes.fill(0);
}

}  // namespace

void loadSettings(Settings& settings, SettingsFileReader& reader)
{
    applyDefaults(settings);
    std::uint8_t view[kSettingsFileView] = {};
    const std::size_t size = reader.readSettingsFile(view, sizeof view);
    parseSettingsFile(settings, view, std::min(size, sizeof view));
}

void parseSettingsFile(Settings& settings, const std::uint8_t* data, std::size_t size)
{
    std::uint8_t buffer[kParseBufferSize] = {};
    if (size > 0)
        std::memcpy(buffer, data, std::min(size, kSettingsFileView));

    Tokenizer lines(buffer, "\r\n");
    std::size_t start = 0;
    for (int lineNumber = 1; lineNumber <= kSettingLines; ++lineNumber) {
        if (!lines.next(start))
            return;
        applySettingLine(settings, lineNumber, buffer + start);
    }
    parseCodeRecords(settings, buffer, lines);
}

std::size_t buildSettingsImage(const Settings& settings, std::uint8_t (&image)[kMaxSettingsImage])
{
    const std::int32_t lines[kSettingLines] = {
        static_cast<std::int32_t>(settings.transmissionType),
        settings.comPort, settings.baudIndex, settings.addCr, settings.keepOnline,
        settings.pollingSeconds, settings.charDelayMs,
    };
    std::size_t length = 0;
    for (std::int32_t value : lines)
        length += appendLine(image + length, value);
    length += appendCodeRecord(image + length, settings.prefixEnabled, settings.prefixCodes);
    length += appendCodeRecord(image + length, settings.suffixEnabled, settings.suffixCodes);
    return length;
}

void applyCommandLine(Settings& settings, const char* text, bool& commandLineMode,
                      SettingsFileWriter& writer)
{
    if (text == nullptr || text[0] == 0)
        return;

    std::uint8_t fields[kMaxCommandLine + 1];
    compactCommandLine(text, fields);
    Tokenizer pieces(fields, ",");
    std::size_t start = 0;
    for (int fieldNumber = 1; fieldNumber <= kCommandLineFields && pieces.next(start); ++fieldNumber)
        applyCommandLineField(settings, fieldNumber, fields + start);

    clearCodeLists(settings);
    std::uint8_t image[kMaxSettingsImage];
    writer.writeSettingsFile(image, buildSettingsImage(settings, image));
    commandLineMode = true;
}

std::string seriesRestartCommandLine(const Settings& settings)
{
    const CodeBuffer none{};
    if (settings.keepOnline != 1 || settings.prefixEnabled || settings.suffixEnabled ||
        settings.prefixCodes != none || settings.suffixCodes != none)
        return {};
    // Type and rate count from 1 on the command line, from 0 in the settings.
    char text[64];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d,%d,%d,%d", static_cast<int>(settings.transmissionType) + 1,
                  static_cast<int>(settings.comPort), settings.baudIndex + 1, settings.addCr, settings.keepOnline,
                  static_cast<int>(settings.pollingSeconds), static_cast<int>(settings.charDelayMs));
    return text;
}

}  // namespace orvanta
