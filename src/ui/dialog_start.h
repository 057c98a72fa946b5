/*
 * The settings dialog's Start: the controls' values become the settings,
 * the settings file is rewritten, and the first "READ\r" goes out with the
 * dialog hidden. What Start needs of the dialog window itself is behind
 * SettingsDialogWindow, so the whole order of events can be tested on fakes.
 */
#pragma once

#include <cstddef>

#include "platform/message_boxes.h"
#include "platform/window_id.h"
#include "protocol/engine_driver.h"
#include "settings/registry_settings.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "ui/number_field.h"

namespace orvanta {

// What the settings dialog works on: the settings and working lists it
// edits, the engine it starts and stops, where it reports its own failures
// and where it saves the settings: the file, and the registry for the
// choices kept there.
struct DialogSession {
    Settings& settings;
    WorkingCodes& working;
    EngineDriver& engine;
    MessageBoxes& messageBoxes;
    SettingsFileWriter& settingsFile;
    RegistryValues& registry;
};

// The list of transmission types shows the names before "Modem".
constexpr std::size_t kTransmissionNameSize = 10;
extern const char kTransmissionNames[3][kTransmissionNameSize];
constexpr int kListedTransmissionTypes = 2;
extern const char* const kBaudNames[kBaudCount];

// What the controls hold at Start. A list position is -1 when nothing is
// selected.
struct DialogControls {
    int transmissionPosition;
    NumberReading comPort;
    int baudPosition;
    bool addCr;
    bool keepOnline;
    NumberReading pollingSeconds;
    NumberReading charDelayMs;
    bool prefixEnabled;
    bool suffixEnabled;
    bool typeOnlyCharacters;
};

// Takes every value the settings accept; a field that does not read as a
// number, a value out of range or a list without selection leaves its
// setting as it was, and so does a choice the machine has made.
void applyDialogControls(const DialogControls& controls, Settings& settings);

class SettingsDialogWindow {
public:
    virtual ~SettingsDialogWindow() = default;
    virtual void applyEnableRules(bool enable) = 0;
    virtual void hide() = 0;
    // Puts Settings and the working lists back into the controls.
    virtual void fill() = 0;
};

// A failure to start comes as the end of the transfer, which the program
// shows.
void startFromDialog(DialogSession& session, const DialogControls& controls, SettingsDialogWindow& dialog);

}  // namespace orvanta
