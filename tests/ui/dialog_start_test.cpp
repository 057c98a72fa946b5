#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_platform.h"
#include "fakes/fake_registry_values.h"
#include "fakes/fake_settings_store.h"
#include "ui/dialog_start.h"

namespace orvanta {
namespace {

using fakes::EventLog;
using fakes::settingsText;

// The dialog window and the settings file, writing to the program's log.
struct FakeDialog final : SettingsDialogWindow {
    explicit FakeDialog(EventLog& log) : log_(log) {}
    void applyEnableRules(bool enable) override { log_.push_back({"enable rules", enable}); }
    void hide() override { log_.push_back({"hide"}); }
    void fill() override { log_.push_back({"fill"}); }
    EventLog& log_;
};

struct LoggedSettingsFile final : SettingsFileWriter {
    explicit LoggedSettingsFile(EventLog& log) : log_(log) {}
    void writeSettingsFile(const std::uint8_t* image, std::size_t length) override
    {
        file.assign(reinterpret_cast<const char*>(image), length);
        log_.push_back({"settings file"});
    }
    std::string file;
    EventLog& log_;
};

DialogControls controlsOf(const Settings& s)
{
    const auto reading = [](std::int32_t v) { return NumberReading{true, static_cast<std::uint32_t>(v)}; };
    return DialogControls{static_cast<int>(s.transmissionType), reading(s.comPort),    s.baudIndex,
                          s.addCr != 0,       s.keepOnline != 0,     reading(s.pollingSeconds),
                          reading(s.charDelayMs), s.prefixEnabled != 0, s.suffixEnabled != 0,
                          s.typeOnlyCharacters.on};
}

// The dialog on the engine, whose workers log what they are asked.
struct StartBench {
    EventLog log;
    fakes::FakeClock clock{log};
    fakes::FakeHands hands{log};
    fakes::FakeMessageBoxes boxes{log};
    Settings settings{};
    WorkingCodes working{};
    Engine engine{settings};
    EngineDriver driver{engine, clock, hands.hands()};
    FakeDialog dialog{log};
    LoggedSettingsFile file{log};
    fakes::FakeRegistryValues registry;
    DialogSession session{settings, working, driver, boxes, file, registry};

    StartBench()
    {
        applyDefaults(settings);
        settings.transmissionType = TransmissionType::RS232;
        settings.comPort = 3;
    }

    void start(const DialogControls& controls) { startFromDialog(session, controls, dialog); }
};

TEST(DialogStart, TakesTheControlsAndOnlyNumbersWithinRange)
{
    const NumberReading unreadable{false, 0};
    const struct {
        const char* name;
        DialogControls controls;
        const char* settings;
    } table[] = {
        {"every control read", {1, {true, 7}, 4, false, true, {true, 30}, {true, 5}, true, true, false},
         "type 1, COM 7, baud 4, CR 0, online 1, polling 30, delay 5"},
        {"unreadable numbers keep their settings",
         {0, unreadable, 2, true, false, unreadable, unreadable, false, false, false},
         "type 0, COM 3, baud 2, CR 1, online 0, polling 2, delay 2"},
        {"out of range keeps them too", {0, {true, 256}, 0, true, false, {true, 1000}, {true, 0}, false, false, false},
         "type 0, COM 3, baud 0, CR 1, online 0, polling 2, delay 2"},
        {"lists without a selection",
         {-1, {true, 255}, -1, true, false, {true, 999}, {true, 255}, false, false, false},
         "type 0, COM 255, baud 0, CR 1, online 0, polling 999, delay 255"},
    };
    for (const auto& row : table) {
        Settings settings{};
        applyDefaults(settings);
        settings.transmissionType = TransmissionType::RS232;
        settings.comPort = 3;
        applyDialogControls(row.controls, settings);
        const std::string text = settingsText(settings);
        EXPECT_EQ(text.substr(0, text.find('\n')), row.settings) << row.name;
        EXPECT_EQ(settings.prefixEnabled, row.controls.prefixEnabled ? 1 : 0) << row.name;
        EXPECT_EQ(settings.suffixEnabled, row.controls.suffixEnabled ? 1 : 0) << row.name;
    }
}

// A failure to open or to write the port comes back as the end of the
// transfer, which the program shows.
TEST(DialogStart, SavesDisablesHidesThenAsksForThePort)
{
    StartBench bench;
    const std::uint8_t prefix[] = {0x41, 0x0D};
    std::memcpy(bench.working.workingPrefix, prefix, sizeof prefix);
    DialogControls controls = controlsOf(bench.settings);
    controls.prefixEnabled = true;

    bench.start(controls);

    EXPECT_EQ(bench.log, (EventLog{{"enable rules", 0}, {"settings file"}, {"hide"}, {"open", 1}}));
    EXPECT_TRUE(bench.engine.busy());
    // The file and Settings hold Enter as 127; the typed list keeps 13.
    EXPECT_EQ(bench.file.file.substr(bench.file.file.size() - 26, 3), std::string("1A\x7f"));
    EXPECT_EQ(bench.settings.prefixCodes[1], 127);
    EXPECT_EQ(bench.working.workingPrefix[1], 13);
}

// The user's own choice goes to the registry with the settings file; a
// choice the machine makes is the machine's, also one made since the
// dialog was filled.
TEST(DialogStart, KeepsTheUsersChoiceInTheRegistryAndTheMachinesWins)
{
    using Writes = std::vector<std::pair<std::string, std::uint32_t>>;
    const struct {
        const char* name;
        RegistryChoice atFill;
        std::optional<std::uint32_t> machineAtStart;
        bool box;
        Writes written;
        RegistryChoice atStart;
    } table[] = {
        {"ticked by the user", {false, false}, {}, true, {{"TypeOnlyCharacters", 1}}, {true, false}},
        {"cleared by the user", {true, false}, {}, false, {{"TypeOnlyCharacters", 0}}, {false, false}},
        {"set by the machine: the box is not read", {true, true}, 1, false, {}, {true, true}},
        {"set by the machine meanwhile", {false, false}, 1, false, {{"TypeOnlyCharacters", 0}}, {true, true}},
    };
    for (const auto& row : table) {
        StartBench bench;
        bench.settings.typeOnlyCharacters = row.atFill;
        if (row.machineAtStart)
            bench.registry.machine["TypeOnlyCharacters"] = *row.machineAtStart;
        DialogControls controls = controlsOf(bench.settings);
        controls.typeOnlyCharacters = row.box;
        bench.start(controls);
        EXPECT_EQ(bench.registry.userWrites, row.written) << row.name;
        EXPECT_EQ(bench.settings.typeOnlyCharacters.on, row.atStart.on) << row.name;
        EXPECT_EQ(bench.settings.typeOnlyCharacters.setByMachine, row.atStart.setByMachine) << row.name;
    }
}

}  // namespace
}  // namespace orvanta
