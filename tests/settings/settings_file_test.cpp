#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>

#include "fakes/fake_settings_store.h"
#include "settings/settings_file.h"

namespace orvanta {
namespace {

using fakes::Bytes;
using fakes::bytesOf;
using fakes::defaultSettings;
using fakes::FakeSettingsStore;
using fakes::settingsText;
using fakes::setSeven;
using fakes::SevenValues;
using namespace std::string_literals;

// Lines joined by CR LF, each one ended by it.
std::string linesOf(std::initializer_list<const char*> lines)
{
    std::string text;
    for (const char* line : lines)
        text += std::string(line) + "\r\n";
    return text;
}

Settings parsed(const Bytes& file, Settings settings = defaultSettings())
{
    parseSettingsFile(settings, file.data(), file.size());
    return settings;
}

Bytes imageOf(const Settings& settings)
{
    std::uint8_t image[kMaxSettingsImage];
    const std::size_t length = buildSettingsImage(settings, image);
    return Bytes(image, image + length);
}

Settings garbageSettings()
{
    Settings settings;
    std::memset(&settings, 0x5A, sizeof settings);
    return settings;
}

const Bytes kWorkedExample = {
    '0', 13, 10, '3', 13, 10, '0', 13, 10, '1', 13, 10, '0', 13, 10, '2', 13, 10, '1', '0', 13, 10,
    '1', 'A', 127, 0, 0, 0, 0, 0, 0, 0, 0, 13, 10,
    '0', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 13, 10,
};

Settings workedExampleSettings()
{
    Settings settings{};
    settings.transmissionType = TransmissionType::RS232;
    settings.comPort = 3;
    settings.baudIndex = 0;
    settings.addCr = 1;
    settings.keepOnline = 0;
    settings.pollingSeconds = 2;
    settings.charDelayMs = 10;
    settings.prefixEnabled = 1;
    settings.prefixCodes = {'A', 127};
    settings.suffixEnabled = 0;
    return settings;
}

TEST(SettingsFile, WorkedExampleBuildsToItsBytesAndLoadsBackWithEnterAsThirteen)
{
    ASSERT_EQ(kWorkedExample.size(), 48u);
    EXPECT_EQ(imageOf(workedExampleSettings()), kWorkedExample);

    Settings expected = workedExampleSettings();
    expected.prefixCodes = {'A', 13};
    EXPECT_EQ(settingsText(parsed(kWorkedExample, garbageSettings())), settingsText(expected));
}

TEST(SettingsFile, ImageWritesTheWidestValuesAsSignedDecimals)
{
    Settings settings = defaultSettings();
    settings.transmissionType = static_cast<TransmissionType>(INT32_MIN);
    settings.comPort = settings.pollingSeconds = settings.charDelayMs = INT32_MIN;
    settings.baudIndex = settings.addCr = settings.keepOnline = INT8_MIN;
    const Bytes image = imageOf(settings);
    const std::string lines = "-2147483648\r\n-2147483648\r\n-128\r\n-128\r\n-128\r\n-2147483648\r\n-2147483648\r\n";
    ASSERT_EQ(image.size(), lines.size() + 26);
    EXPECT_LE(image.size(), kMaxSettingsImage);
    EXPECT_EQ(std::string(image.begin(), image.begin() + lines.size()), lines);
}

struct RoundTripCase {
    const char* name;
    SevenValues seven;
    std::int8_t prefixEnabled, suffixEnabled;
    std::string prefix, suffix;  // as the dialog holds them: Enter is 13
};

TEST(SettingsFile, EveryListTheProgramWritesLoadsBackUnchanged)
{
    const RoundTripCase cases[] = {
        {"defaults, no lists", {1, 1, 0, 1, 0, 2, 2}, 0, 0, "", ""},
        {"lowest values", {0, 1, 0, 0, 0, 1, 1}, 1, 1, "A", "z"},
        {"highest values, Enter alone", {1, 255, 4, 1, 1, 999, 255}, 1, 1, "\r", "\r"},
        {"ten codes each, Enter at both ends", {0, 12, 2, 1, 0, 60, 20}, 1, 1, "\rabcdefgh\r", "\r12345678\r"},
        {"grid's edge codes", {1, 4, 3, 0, 1, 5, 9}, 1, 1, "\x01\x09\x0b\x1c \x7e\r", "~} \x1c\x0b\x09\x01"},
        {"lists kept while switched off", {1, 2, 1, 1, 0, 2, 2}, 0, 0, "\x03\x04\x05", "\x1a\r"},
    };
    for (const RoundTripCase& c : cases) {
        Settings written{};
        setSeven(written, c.seven);
        written.prefixEnabled = c.prefixEnabled;
        written.suffixEnabled = c.suffixEnabled;
        WorkingCodes working{};
        std::memcpy(working.workingPrefix, c.prefix.data(), c.prefix.size());
        std::memcpy(working.workingSuffix, c.suffix.data(), c.suffix.size());
        storeWorkingCodes(working, written);

        Settings expected = written;
        std::memcpy(expected.prefixCodes.data(), working.workingPrefix, kMaxCodes);
        std::memcpy(expected.suffixCodes.data(), working.workingSuffix, kMaxCodes);
        EXPECT_EQ(settingsText(parsed(imageOf(written), garbageSettings())), settingsText(expected)) << c.name;
    }
}

struct LinesCase {
    const char* name;
    std::string file;
    SevenValues expected;
};

// Defaults: Cradle-IR, COM1, 115200, CR, no keep-online, 2 s, 2 ms.
constexpr SevenValues kDefaults = {1, 1, 0, 1, 0, 2, 2};
constexpr SevenValues kAllSeven = {0, 7, 3, 0, 1, 30, 40};

TEST(SettingsFile, SevenLinesTakeOnlyTheValuesTheyAccept)
{
    const LinesCase cases[] = {
        {"all seven accepted", linesOf({"0", "7", "3", "0", "1", "30", "40"}), kAllSeven},
        {"highest accepted", linesOf({"1", "255", "4", "1", "1", "999", "255"}), {1, 255, 4, 1, 1, 999, 255}},
        {"out of range: fields keep their values", linesOf({"2", "300", "5", "2", "2", "0", "256"}), kDefaults},
        {"just out of range", linesOf({"1", "0", "9", "1", "0", "1000", "0"}), kDefaults},
        {"only the first character counts, numbers end at the first non-digit",
         linesOf({"0x", "12abc", "3z", "0 ", "1-", "30s", "40ms"}), {0, 12, 3, 0, 1, 30, 40}},
        {"white space and signs before numbers", linesOf({"1", " \t+7", "0", "1", "0", "-5", "\v 9"}),
         {1, 7, 0, 1, 0, 2, 9}},
        {"a negative port and huge numbers are rejected",
         linesOf({"1", "-5", "0", "1", "0", "99999999999999999999", "-99999999999999999999"}), kDefaults},
        {"a blank before a first character", linesOf({" 0", "7", " 3"}), {1, 7, 0, 1, 0, 2, 2}},
        {"an empty line between lines 3 and 4 is skipped", linesOf({"0", "7", "3", "", "0", "1", "30", "40"}),
         kAllSeven},
        {"runs of CR and LF alone also end lines", "\n\r0\n7\r3\n\n0\r\r1\n30\r\n40", kAllSeven},
        {"missing line 3 moves the later lines up", linesOf({"0", "7", "0", "1", "30", "40"}), {0, 7, 0, 1, 0, 40, 2}},
        {"a line of blanks counts and is malformed", linesOf({"0", "7", "  ", "0", "1", "30", "40"}),
         {0, 7, 0, 0, 1, 30, 40}},
        {"a file that ends early", "0\r\n7\r\n3", {0, 7, 3, 1, 0, 2, 2}},
        {"a 0 byte ends the text", "0\r\n7\r\n3\0\r\n0\r\n1\r\n30\r\n40\r\n"s, {0, 7, 3, 1, 0, 2, 2}},
        {"empty file", "", kDefaults},
    };
    for (const LinesCase& c : cases) {
        Settings expected = defaultSettings();
        setSeven(expected, c.expected);
        EXPECT_EQ(settingsText(parsed(bytesOf(c.file))), settingsText(expected)) << c.name;
    }
}

struct RecordsCase {
    const char* name;
    Bytes records;  // what follows the seven lines
    std::int8_t prefixEnabled;
    CodeBuffer prefixCodes;
    std::int8_t suffixEnabled;
    CodeBuffer suffixCodes;
};

Bytes record(char flag, std::initializer_list<std::uint8_t> codes)
{
    Bytes bytes(13, 0);
    bytes[0] = static_cast<std::uint8_t>(flag);
    std::copy(codes.begin(), codes.end(), bytes.begin() + 1);
    bytes[11] = 13;
    bytes[12] = 10;
    return bytes;
}

Bytes operator+(Bytes first, const Bytes& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

TEST(SettingsFile, CodeRecordsAreReadRawAtTheirFixedPlaces)
{
    const RecordsCase cases[] = {
        {"seven lines only", {}, 0, {}, 0, {}},
        {"ten codes each", record('1', {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J'}) +
                               record('1', {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j'}),
         1, {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J'}, 1, {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j'}},
        {"flag 0 still loads the codes", record('0', {'A'}) + record('0', {'b', 127}), 0, {'A'}, 0, {'b', 13}},
        {"byte 10 among the prefix codes ends the list there",
         record('1', {'A', 'B', 10, 'C', 'D', 'E', 'F', 'G', 'H', 'I'}) + record('1', {'x'}),
         1, {'A', 'B', 0, 'C', 'D', 'E', 'F', 'G', 'H', 'I'}, 1, {'x'}},
        {"byte 13 among the suffix codes ends the list there", record('1', {'A'}) + record('1', {'x', 13, 'y'}),
         1, {'A'}, 1, {'x', 0, 'y'}},
        {"127 is Enter only before the list's end", record('1', {'A', 127, 0, 127}) + record('1', {127}),
         1, {'A', 13, 0, 127}, 1, {13}},
        {"a prefix flag other than 0/1 reads neither record", record('2', {'A'}) + record('1', {'x'}), 0, {}, 0, {}},
        {"a suffix flag other than 0/1 reads only the prefix", record('1', {'A'}) + record('a', {'x'}),
         1, {'A'}, 0, {}},
        {"records ended by CR alone: the suffix flag is 12 bytes on",
         bytesOf("1A"s + std::string(9, '\0') + "\r1x" + std::string(9, '\0') + "\r"), 1, {'A'}, 1, {'x'}},
        {"short records: the suffix is looked for 12 bytes on, not on the next line",
         bytesOf("1AB\r\n1CD\r\n"), 1, {'A', 'B', 0, 10, '1', 'C', 'D', 13, 10, 0}, 0, {}},
    };
    const Bytes sevenLines = bytesOf(linesOf({"0", "7", "3", "0", "1", "30", "40"}));
    for (const RecordsCase& c : cases) {
        Settings expected = defaultSettings();
        setSeven(expected, kAllSeven);
        expected.prefixEnabled = c.prefixEnabled;
        expected.prefixCodes = c.prefixCodes;
        expected.suffixEnabled = c.suffixEnabled;
        expected.suffixCodes = c.suffixCodes;
        EXPECT_EQ(settingsText(parsed(sevenLines + c.records)), settingsText(expected)) << c.name;
    }
}

// A file longer than the view whose prefix record starts at `offset`: line 7
// is padded with leading zeros to get it there.
Bytes fileWithPrefixAt(std::size_t offset)
{
    const std::string sixLines = linesOf({"0", "7", "3", "0", "1", "30"});
    std::string lineSeven(offset - sixLines.size() - 2, '0');
    lineSeven.back() = '9';
    Bytes file = bytesOf(sixLines + lineSeven + "\r\n") + bytesOf("1ABCDEFGHIJ\r\n1abcdefghij\r\n");
    file.resize(200, 'Z');
    return file;
}

struct ViewEdgeCase {
    std::size_t prefixAt;
    std::size_t prefixCodesInView;
    std::int8_t suffixEnabled;
    std::size_t suffixCodesInView;
};

TEST(SettingsFile, OnlyTheFirst128BytesCountAndBeyondThemEverythingIsZero)
{
    const ViewEdgeCase cases[] = {
        {100, 10, 1, 10},  // both records inside the view
        {110, 10, 1, 4},   // suffix record crosses byte 128
        {114, 10, 1, 0},   // suffix flag is the view's last byte
        {115, 10, 0, 0},   // suffix search restarts on the last byte, an LF
        {116, 10, 0, 0},   // suffix search restarts just past the view
        {120, 7, 0, 0},
        {126, 1, 0, 0},
        {127, 0, 0, 0},    // prefix flag is the view's last byte
    };
    for (const ViewEdgeCase& c : cases) {
        const Bytes file = fileWithPrefixAt(c.prefixAt);
        Settings expected = defaultSettings();
        setSeven(expected, kAllSeven);
        expected.charDelayMs = 9;
        expected.prefixEnabled = 1;
        std::memcpy(expected.prefixCodes.data(), "ABCDEFGHIJ", c.prefixCodesInView);
        expected.suffixEnabled = c.suffixEnabled;
        std::memcpy(expected.suffixCodes.data(), "abcdefghij", c.suffixCodesInView);

        EXPECT_EQ(settingsText(parsed(file)), settingsText(expected)) << "prefix at " << c.prefixAt;
    }
}

TEST(LoadSettings, AppliesTheDefaultsThenOverlaysAtMost128BytesOfTheFile)
{
    struct Case {
        const char* name;
        Bytes file;
        Settings expected;
    };
    Settings partial = defaultSettings();
    partial.transmissionType = TransmissionType::RS232;
    partial.comPort = 9;
    const Bytes longFile = fileWithPrefixAt(110);
    const Case cases[] = {
        {"no file", {}, defaultSettings()},
        {"two lines", bytesOf("0\r\n9\r\n"), partial},
        {"worked example", kWorkedExample, parsed(kWorkedExample)},
        {"longer than the view", longFile, parsed(longFile)},
    };
    for (const Case& c : cases) {
        FakeSettingsStore store;
        store.file = c.file;
        Settings settings = garbageSettings();
        loadSettings(settings, store);
        EXPECT_EQ(settingsText(settings), settingsText(c.expected)) << c.name;
        EXPECT_EQ(store.readCapacities, std::vector<std::size_t>{kSettingsFileView}) << c.name;
        EXPECT_EQ(store.writes, 0) << c.name;
    }
}

}  // namespace
}  // namespace orvanta
