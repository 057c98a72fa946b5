#include <gtest/gtest.h>

#include <cstring>

#include "settings/settings.h"

namespace orvanta {
namespace {

TEST(Settings, DefaultsAreCradleOnCom1At115200WithCarriageReturn)
{
    Settings settings;
    std::memset(&settings, 0x5A, sizeof settings);
    applyDefaults(settings);
    EXPECT_EQ(settings.transmissionType, TransmissionType::CradleIR);
    EXPECT_EQ(settings.comPort, 1);
    EXPECT_EQ(settings.baudIndex, 0);
    EXPECT_EQ(baudRateOf(settings.baudIndex), 115200u);
    EXPECT_EQ(settings.addCr, 1);
    EXPECT_EQ(settings.keepOnline, 0);
    EXPECT_EQ(settings.pollingSeconds, 2);
    EXPECT_EQ(settings.charDelayMs, 2);
    EXPECT_EQ(settings.prefixEnabled, 0);
    EXPECT_EQ(settings.suffixEnabled, 0);
    EXPECT_EQ(settings.prefixCodes, CodeBuffer{});
    EXPECT_EQ(settings.suffixCodes, CodeBuffer{});
    EXPECT_FALSE(settings.typeOnlyCharacters.on);
    EXPECT_FALSE(settings.typeOnlyCharacters.setByMachine);
}

TEST(Settings, BaudIndexFollowsTheDialogListOrder)
{
    const std::uint32_t expected[] = {115200, 57600, 38400, 19200, 9600};
    for (int i = 0; i < kBaudCount; ++i)
        EXPECT_EQ(baudRateOf(i), expected[i]) << i;
}

TEST(Settings, StartStoresEnterAs127AndLeavesTheWorkingCopiesInTypingForm)
{
    Settings settings{};
    WorkingCodes working{};
    const std::uint8_t prefix[] = {'A', 13, 'B'};
    std::memcpy(working.workingPrefix, prefix, sizeof prefix);
    for (int i = 0; i < 10; ++i)
        working.workingSuffix[i] = static_cast<std::uint8_t>(i == 4 ? 13 : 'a' + i);
    working.workingSuffix[12] = 'z';  // beyond the 10 codes: never stored

    storeWorkingCodes(working, settings);

    EXPECT_EQ(settings.prefixCodes, (CodeBuffer{'A', 127, 'B', 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(settings.suffixCodes, (CodeBuffer{'a', 'b', 'c', 'd', 127, 'f', 'g', 'h', 'i', 'j'}));
    EXPECT_EQ(working.workingPrefix[1], 13);
    EXPECT_EQ(typedLength(working.workingPrefix), 3u);
}

TEST(Settings, DialogInitialisationCopiesTenCodesAndKeepsTheRest)
{
    Settings settings{};
    applyDefaults(settings);
    settings.prefixCodes = {'1', '2', '3', '4', '5', '6', '7', '8', '9', '0'};
    WorkingCodes working{};
    std::memset(working.workingPrefix, 'x', sizeof working.workingPrefix);

    loadWorkingCodes(settings, working);

    EXPECT_EQ(0, std::memcmp(working.workingPrefix, "1234567890xxxxxx", 16));
    EXPECT_EQ(typedLength(working.workingPrefix), 16u);
    EXPECT_EQ(typedLength(working.workingSuffix), 0u);
}

}  // namespace
}  // namespace orvanta
