/*
 * Any file of any length must load without reading outside a buffer, and
 * every value it yields must lie in its accepted range.
 */
#include <cstdint>
#include <cstdlib>

#include "settings/settings_file.h"

using namespace orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Settings settings{};
    applyDefaults(settings);
    parseSettingsFile(settings, data, size);

    const bool inRange = (settings.transmissionType == TransmissionType::RS232
                          || settings.transmissionType == TransmissionType::CradleIR)
                         && settings.comPort >= kMinComPort && settings.comPort <= kMaxComPort
                         && settings.baudIndex >= 0 && settings.baudIndex < kBaudCount
                         && (settings.addCr == 0 || settings.addCr == 1)
                         && (settings.keepOnline == 0 || settings.keepOnline == 1)
                         && settings.pollingSeconds >= kMinPollingSeconds
                         && settings.pollingSeconds <= kMaxPollingSeconds
                         && settings.charDelayMs >= kMinCharDelayMs && settings.charDelayMs <= kMaxCharDelayMs
                         && (settings.prefixEnabled == 0 || settings.prefixEnabled == 1)
                         && (settings.suffixEnabled == 0 || settings.suffixEnabled == 1);
    if (!inRange)
        std::abort();

    // What the program writes must read back as the same record.
    std::uint8_t image[kMaxSettingsImage];
    toFileForm(settings.prefixCodes);
    toFileForm(settings.suffixCodes);
    const std::size_t length = buildSettingsImage(settings, image);
    Settings reread{};
    applyDefaults(reread);
    parseSettingsFile(reread, image, length);
    toFileForm(reread.prefixCodes);
    toFileForm(reread.suffixCodes);
    const bool listsSurvive = reread.prefixEnabled == settings.prefixEnabled
                              && reread.suffixEnabled == settings.suffixEnabled
                              && reread.comPort == settings.comPort
                              && reread.pollingSeconds == settings.pollingSeconds;
    if (!listsSurvive)
        std::abort();
    return 0;
}
