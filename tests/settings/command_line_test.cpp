#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_settings_store.h"
#include "settings/settings_file.h"

namespace orvanta {
namespace {

using fakes::Bytes;
using fakes::FakeSettingsStore;
using fakes::settingsText;
using fakes::setSeven;
using fakes::SevenValues;
using namespace std::string_literals;

// As if loaded from a file: every field away from its default, and lists
// that the command line has to clear (bytes after the end included).
constexpr SevenValues kLoaded = {0, 7, 3, 0, 1, 30, 40};

Settings loadedSettings()
{
    Settings s = fakes::defaultSettings();
    setSeven(s, kLoaded);
    s.prefixEnabled = 1;
    s.prefixCodes = {'A', 13, 0, 'z'};
    s.suffixEnabled = 1;
    s.suffixCodes = {'q', 'r', 's', 't', 'u', 'v', 'w', 'x', 'y', 'z'};
    return s;
}

Bytes imageOf(const Settings& settings)
{
    std::uint8_t image[kMaxSettingsImage];
    return Bytes(image, image + buildSettingsImage(settings, image));
}

struct CommandLineRun {
    Settings settings = loadedSettings();
    FakeSettingsStore store;
    bool commandLineMode = false;

    explicit CommandLineRun(const std::string& text)
    {
        store.file = imageOf(settings);
        applyCommandLine(settings, text.c_str(), commandLineMode, store);
    }
};

TEST(CommandLine, FullLineSetsAllSevenAndWritesTheirImage)
{
    CommandLineRun run("2,3,1,1,0,5,20");

    EXPECT_EQ(run.settings.transmissionType, TransmissionType::CradleIR);
    EXPECT_EQ(run.settings.comPort, 3);
    EXPECT_EQ(run.settings.baudIndex, 0);
    EXPECT_EQ(run.settings.addCr, 1);
    EXPECT_EQ(run.settings.keepOnline, 0);
    EXPECT_EQ(run.settings.pollingSeconds, 5);
    EXPECT_EQ(run.settings.charDelayMs, 20);
    EXPECT_EQ(run.settings.prefixEnabled, 0);
    EXPECT_EQ(run.settings.suffixEnabled, 0);
    EXPECT_EQ(run.settings.prefixCodes, CodeBuffer{});
    EXPECT_EQ(run.settings.suffixCodes, CodeBuffer{});
    const std::string record = "0"s + std::string(10, '\0') + "\r\n";
    const std::string file = "1\r\n3\r\n0\r\n1\r\n0\r\n5\r\n20\r\n" + record + record;
    EXPECT_EQ(run.store.writes, 1);
    EXPECT_EQ(run.store.file, fakes::bytesOf(file));
    EXPECT_EQ(run.commandLineMode, 1);
}

struct FieldsCase {
    const char* name;
    std::string text;
    SevenValues expected;
};

// What the full example line gives.
constexpr SevenValues kFullLine = {1, 3, 0, 1, 0, 5, 20};

TEST(CommandLine, EachFieldTakesOnlyWhatItAccepts)
{
    const FieldsCase cases[] = {
        {"blanks around a field are dropped", "1, 4 ,2", {0, 4, 1, 0, 1, 30, 40}},
        {"blanks before first characters are dropped", " 2,7, 5", {1, 7, 4, 0, 1, 30, 40}},
        {"an empty piece holds no place", "2,,4", {1, 4, 3, 0, 1, 30, 40}},
        {"leading and repeated commas", ",,2,,,9,", {1, 9, 3, 0, 1, 30, 40}},
        {"an unaccepted type still uses its place", "3,5", {0, 5, 3, 0, 1, 30, 40}},
        {"pieces after the seventh are ignored", "2,3,1,1,0,5,20,1,9,9", kFullLine},
        {"first characters decide", "2x,3,1st,1a,0b,5,20", kFullLine},
        {"lowest accepted", "1,1,1,0,0,1,1", {0, 1, 0, 0, 0, 1, 1}},
        {"highest accepted", "2,255,5,1,1,999,255", {1, 255, 4, 1, 1, 999, 255}},
        {"just outside, polling clamped", "0,256,6,2,2,1000,256", {0, 7, 3, 0, 1, 999, 40}},
        {"zeros, polling falls back to 2", "0,0,0,9,9,0,0", {0, 7, 3, 0, 1, 2, 40}},
        {"polling far above", "x,x,x,x,x,5000", {0, 7, 3, 0, 1, 999, 40}},
        {"polling not a number", "x,x,x,x,x,x", {0, 7, 3, 0, 1, 2, 40}},
        {"polling negative", "x,x,x,x,x,-7", {0, 7, 3, 0, 1, 2, 40}},
        {"huge numbers", "x,99999999999999999999,x,x,x,99999999999999999999,99999999999999999999",
         {0, 7, 3, 0, 1, 999, 40}},
        {"a negative port is rejected", "2,-5", {1, 7, 3, 0, 1, 30, 40}},
        {"a plus sign is accepted", "1,+9,x,x,x,+8,+6", {0, 9, 3, 0, 1, 8, 6}},
        {"numbers end at the first non-digit", "x,12abc,x,x,x,4s,9ms", {0, 12, 3, 0, 1, 4, 9}},
        {"control bytes are dropped, DEL is kept", "\t2 ,\x01 8\x7f,\x1f""5", {1, 8, 4, 0, 1, 30, 40}},
        {"a byte of 128 or more ends the text", "2,6\xe9,5", {1, 6, 3, 0, 1, 30, 40}},
        {"a first byte of 128 or more applies no field", "\xa0""2,3,1,1,0,5,20", kLoaded},
        {"blanks only apply no field", "   ", kLoaded},
        {"only 255 characters count", "2," + std::string(252, ' ') + "34,5", {1, 3, 3, 0, 1, 30, 40}},
    };
    for (const FieldsCase& c : cases) {
        CommandLineRun run(c.text);

        Settings expected = loadedSettings();
        setSeven(expected, c.expected);
        expected.prefixEnabled = expected.suffixEnabled = 0;
        expected.prefixCodes = expected.suffixCodes = CodeBuffer{};
        EXPECT_EQ(settingsText(run.settings), settingsText(expected)) << c.name;
        EXPECT_EQ(run.store.writes, 1) << c.name;
        EXPECT_EQ(run.store.file, imageOf(expected)) << c.name;
        EXPECT_EQ(run.commandLineMode, 1) << c.name;
    }
}

TEST(CommandLine, EmptyTextChangesNothingAndWritesNothing)
{
    CommandLineRun run("");

    EXPECT_EQ(settingsText(run.settings), settingsText(loadedSettings()));
    EXPECT_EQ(run.store.writes, 0);
    EXPECT_EQ(run.store.file, imageOf(loadedSettings()));
    EXPECT_EQ(run.commandLineMode, 0);
}

// The system restarts a keep-online series with this text: applied over
// whatever the file held, it must give back the very settings it came from.
TEST(CommandLine, ASeriesRestartsWithTheSettingsItRanWith)
{
    const struct {
        SevenValues seven;
        bool codes;   // a prefix list kept in the file, switched off
        const char* text;
    } table[] = {
        {{0, 5, 0, 1, 1, 10, 2}, false, "1,5,1,1,1,10,2"},
        {{1, 255, 4, 0, 1, 999, 255}, false, "2,255,5,0,1,999,255"},
        {{1, 1, 2, 0, 1, 1, 1}, false, "2,1,3,0,1,1,1"},
        {{0, 5, 0, 1, 0, 10, 2}, false, ""},   // no keep-online series
        {{0, 5, 0, 1, 1, 10, 2}, true, ""},    // the command line would clear the list
    };
    for (const auto& row : table) {
        Settings series = fakes::defaultSettings();
        setSeven(series, row.seven);
        series.prefixCodes[0] = row.codes ? 'A' : 0;
        EXPECT_EQ(seriesRestartCommandLine(series), row.text);
        if (row.text[0] == 0)
            continue;
        CommandLineRun restart(row.text);
        EXPECT_EQ(settingsText(restart.settings), settingsText(series)) << row.text;
    }
}

}  // namespace
}  // namespace orvanta
