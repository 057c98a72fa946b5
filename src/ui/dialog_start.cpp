/*
 * Start of a transfer from the settings dialog. The settings file is
 * written before the port is opened, so it always holds the values of the
 * last Start, whether or not the collector could be reached; so are the
 * user's choices kept in the registry.
 */
#include "ui/dialog_start.h"


namespace orvanta {

const char kTransmissionNames[3][kTransmissionNameSize] = {"RS-232", "Cradle-IR", "Modem"};
const char* const kBaudNames[kBaudCount] = {"115200", "57600", "38400", "19200", "9600"};

namespace {

void takeNumber(std::int32_t& setting, NumberReading reading, std::int32_t low, std::int32_t high)
{
    const auto value = static_cast<std::int32_t>(reading.value);
    if (reading.readsAsNumber && value >= low && value <= high)
        setting = value;
}

template <typename Setting>
void takePosition(Setting& setting, int position, int count)
{
    if (position >= 0 && position < count)
        setting = static_cast<Setting>(position);
}

}  // namespace

void applyDialogControls(const DialogControls& c, Settings& s)
{
    takePosition(s.transmissionType, c.transmissionPosition, kListedTransmissionTypes);
    takeNumber(s.comPort, c.comPort, kMinComPort, kMaxComPort);
    takePosition(s.baudIndex, c.baudPosition, kBaudCount);
    s.addCr = c.addCr ? 1 : 0;
    s.keepOnline = c.keepOnline ? 1 : 0;
    takeNumber(s.pollingSeconds, c.pollingSeconds, kMinPollingSeconds, kMaxPollingSeconds);
    takeNumber(s.charDelayMs, c.charDelayMs, kMinCharDelayMs, kMaxCharDelayMs);
    s.prefixEnabled = c.prefixEnabled ? 1 : 0;
    s.suffixEnabled = c.suffixEnabled ? 1 : 0;
    if (!s.typeOnlyCharacters.setByMachine)
        s.typeOnlyCharacters.on = c.typeOnlyCharacters;
}

void startFromDialog(DialogSession& session, const DialogControls& controls, SettingsDialogWindow& dialog)
{
    applyDialogControls(controls, session.settings);
    storeWorkingCodes(session.working, session.settings);
    std::uint8_t image[kMaxSettingsImage]{};
    const std::size_t length = buildSettingsImage(session.settings, image);
    dialog.applyEnableRules(false);
    session.settingsFile.writeSettingsFile(image, length);
    // The user's choice is kept, then read back with the machine's, which
    // wins also where a policy set it after the dialog was filled.
    saveRegistrySettings(session.settings, session.registry);
    loadRegistrySettings(session.settings, session.registry);
    dialog.hide();
    // Start is usable during a series only while it waits for the user to
    // say which port is the collector's adapter: the series starts anew.
    if (session.engine.engine().busy())
        session.engine.feed(events::Stopped{});
    session.engine.feed(events::Started{});
}

}  // namespace orvanta
