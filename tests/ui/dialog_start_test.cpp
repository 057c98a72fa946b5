#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fakes/fake_platform.h"
#include "fakes/fake_settings_store.h"
#include "ui/dialog_start.h"

namespace orvanta {
namespace {

using fakes::Event;
using fakes::EventLog;
using fakes::FakeProgram;
using fakes::kDialogWindow;
using fakes::sent;
using fakes::settingsText;
using fakes::timerSet;

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
                          reading(s.charDelayMs), s.prefixEnabled != 0, s.suffixEnabled != 0};
}

struct StartBench {
    FakeProgram f;
    FakeDialog dialog{f.log};
    LoggedSettingsFile file{f.log};
    Settings& settings = f.program->settings;

    StartBench()
    {
        applyDefaults(settings);
        settings.transmissionType = TransmissionType::RS232;
        settings.comPort = 3;
    }
    DialogSession session{f.program->settings, f.program->working, f.program->series, f.boxes, file};

    StatusCode start(const DialogControls& controls) { return startFromDialog(session, controls, dialog); }
    EventLog steps() const
    {
        return f.only({"enable rules", "settings file", "hide", "open", "write", "write failed", "timer set", "close port",
                       "box", "fill"});
    }
};

TEST(DialogStart, TakesTheControlsAndOnlyNumbersWithinRange)
{
    const NumberReading unreadable{false, 0};
    const struct {
        const char* name;
        DialogControls controls;
        const char* settings;
    } table[] = {
        {"every control read", {1, {true, 7}, 4, false, true, {true, 30}, {true, 5}, true, true},
         "type 1, COM 7, baud 4, CR 0, online 1, polling 30, delay 5"},
        {"unreadable numbers keep their settings", {0, unreadable, 2, true, false, unreadable, unreadable, false, false},
         "type 0, COM 3, baud 2, CR 1, online 0, polling 2, delay 2"},
        {"out of range keeps them too", {0, {true, 256}, 0, true, false, {true, 1000}, {true, 0}, false, false},
         "type 0, COM 3, baud 0, CR 1, online 0, polling 2, delay 2"},
        {"lists without a selection", {-1, {true, 255}, -1, true, false, {true, 999}, {true, 255}, false, false},
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

TEST(DialogStart, SavesDisablesHidesThenSendsTheFirstRead)
{
    StartBench bench;
    const std::uint8_t prefix[] = {0x41, 0x0D};
    std::memcpy(bench.f.program->working.workingPrefix, prefix, sizeof prefix);
    DialogControls controls = controlsOf(bench.settings);
    controls.prefixEnabled = true;

    EXPECT_EQ(bench.start(controls), StatusCode::Ok);

    EXPECT_EQ(bench.steps(), (EventLog{{"enable rules", 0}, {"settings file"}, {"hide"}, {"open", 0, "\\\\.\\COM3"},
                                       sent("READ\r"), timerSet(300)}));
    EXPECT_EQ(bench.f.program->transfer.running, 1);
    // The file and Settings hold Enter as 127; the typed list keeps 13.
    EXPECT_EQ(bench.file.file.substr(bench.file.file.size() - 26, 3), std::string("1A\x7f"));
    EXPECT_EQ(bench.settings.prefixCodes[1], 127);
    EXPECT_EQ(bench.f.program->working.workingPrefix[1], 13);
}

TEST(DialogStart, KeepOnlineWaitsThePollingTimeForTheFirstAnswer)
{
    StartBench bench;
    DialogControls controls = controlsOf(bench.settings);
    controls.keepOnline = true;
    controls.pollingSeconds = {true, 2};
    EXPECT_EQ(bench.start(controls), StatusCode::Ok);
    EXPECT_EQ(bench.f.only({"timer set"}), (EventLog{timerSet(2000)}));
}

TEST(DialogStart, AFailureClosesThePortShowsItAndRefillsTheHiddenDialog)
{
    const Event saveAndHide[] = {{"enable rules", 0}, {"settings file"}, {"hide"}, {"open", 0, "\\\\.\\COM3"}};
    const struct {
        const char* name;
        bool openFails, writeFails;
        StatusCode status;
        EventLog after;   // what follows the open
    } table[] = {
        {"port missing", true, false, StatusCode::PortOpenFailed,
         {{"box", 0x40030, "Error: Failed to open the COM port!"}, {"fill"}}},
        {"write fails", false, true, StatusCode::PortWriteFailed,
         {{"write failed"}, {"close port"}, {"box", 0x40030, "Error: Failed to write the COM port!"}, {"fill"}}},
    };
    for (const auto& row : table) {
        StartBench bench;
        bench.f.comPort.openFails = row.openFails;
        bench.f.comPort.writeFails = row.writeFails;

        EXPECT_EQ(bench.start(controlsOf(bench.settings)), row.status) << row.name;

        EventLog expected(std::begin(saveAndHide), std::end(saveAndHide));
        expected.insert(expected.end(), row.after.begin(), row.after.end());
        EXPECT_EQ(bench.steps(), expected) << row.name;
        EXPECT_EQ(bench.f.program->port.portHandle, PortHandle::None) << row.name;
        EXPECT_EQ(bench.f.program->transfer.running, 0) << row.name;
    }
}

}  // namespace
}  // namespace orvanta
