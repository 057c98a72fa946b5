/*
 * Defaults of the settings record and the conversions between the stored
 * code lists and the dialog's working copies.
 */
#include "settings/settings.h"

#include <algorithm>
#include <cstring>

namespace orvanta {

void applyDefaults(Settings& settings)
{
    settings.transmissionType = TransmissionType::CradleIR;
    settings.comPort = 1;
    settings.baudIndex = 0;
    settings.addCr = 1;
    settings.keepOnline = 0;
    settings.pollingSeconds = 2;
    settings.charDelayMs = 2;
    settings.prefixEnabled = 0;
    settings.prefixCodes.fill(0);
    settings.suffixEnabled = 0;
    settings.suffixCodes.fill(0);
    settings.typeOnlyCharacters = RegistryChoice{false, false};
}

std::uint32_t baudRateOf(int baudIndex)
{
    static constexpr std::uint32_t kRates[kBaudCount] = {115200, 57600, 38400, 19200, 9600};
    return (baudIndex >= 0 && baudIndex < kBaudCount) ? kRates[baudIndex] : kRates[0];
}

std::size_t typedLength(const std::uint8_t (&list)[kWorkingListSize])
{
    std::size_t n = 0;
    while (n < kWorkingListSize && list[n] != 0)
        ++n;
    return n;
}

void loadWorkingCodes(const Settings& settings, WorkingCodes& working)
{
    std::memcpy(working.workingPrefix, settings.prefixCodes.data(), kMaxCodes);
    std::memcpy(working.workingSuffix, settings.suffixCodes.data(), kMaxCodes);
}

void toFileForm(CodeBuffer& codes)
{
    std::replace(codes.begin(), codes.end(), kEnterCode, kStoredEnterCode);
}

void storeWorkingCodes(const WorkingCodes& working, Settings& settings)
{
    std::memcpy(settings.prefixCodes.data(), working.workingPrefix, kMaxCodes);
    std::memcpy(settings.suffixCodes.data(), working.workingSuffix, kMaxCodes);
    toFileForm(settings.prefixCodes);
    toFileForm(settings.suffixCodes);
}

}  // namespace orvanta
