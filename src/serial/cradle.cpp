/*
 * Infrared cradle set-up. The cradle's rate is not assumed: the rate it
 * was last found at is tried first, then every rate in a fixed order. Each
 * control byte is followed by a settle delay that depends on the rate the
 * cradle is listening at.
 */
#include "serial/cradle.h"

#include "settings/settings.h"

namespace orvanta {
namespace {

constexpr std::uint32_t kProbeOrder[] = {9600, 115200, 38400, 57600, 19200};

void applyLineState(CradleLine& cradle, bool rtsOn)
{
    cradle.line.rtsOn = rtsOn;
    cradle.port.configure(cradle.line);
}

// A rate command that does not go out leaves the cradle at its old rate;
// the collector's silence at the new one then ends the transfer.
void writeControlByte(CradleLine& cradle, std::uint8_t byte)
{
    (void)cradle.port.write(&byte, 1, false);
    cradle.clock.sleepMs(cradle.settleDelayMs);
}

// The first byte within the echo window decides; none means no answer.
bool awaitEcho(CradleLine& cradle)
{
    const std::uint32_t deadline = cradle.clock.tickCount() + kCradleEchoWindowMs;
    for (;;) {
        const auto left = static_cast<std::int32_t>(deadline - cradle.clock.tickCount());
        if (left <= 0)
            return false;
        std::uint8_t echo = 0;
        if (cradle.port.read(&echo, 1, static_cast<std::uint32_t>(left)) == 1)
            return echo == kCradleProbe;
    }
}

std::uint32_t findCradle(CradleLine& cradle)
{
    const std::uint32_t remembered = cradle.rememberedRate;
    if (remembered != 0 && probeCradleRate(cradle, remembered))
        return remembered;
    for (std::uint32_t rate : kProbeOrder) {
        if (probeCradleRate(cradle, rate))
            return rate;
    }
    return 0;
}

}  // namespace

std::uint32_t cradleSettleDelayMs(std::uint32_t rate)
{
    switch (rate) {
    case 115200: return 40;
    case 57600: return 50;
    case 38400: return 70;
    case 19200: return 90;
    default: return 170;
    }
}

std::uint8_t cradleRateByte(int baudIndex)
{
    return static_cast<std::uint8_t>('6' - baudIndex);
}

bool probeCradleRate(CradleLine& cradle, std::uint32_t rate)
{
    cradle.line.baudRate = rate;
    cradle.settleDelayMs = cradleSettleDelayMs(rate);
    applyLineState(cradle, false);
    const std::uint8_t probe = kCradleProbe;
    if (!cradle.port.write(&probe, 1, true))
        return false;
    cradle.clock.sleepMs(cradle.settleDelayMs);
    const bool answered = awaitEcho(cradle);
    applyLineState(cradle, true);
    cradle.clock.sleepMs(cradle.settleDelayMs);
    return answered;
}

bool configureCradle(CradleLine& cradle)
{
    LineConfig& line = cradle.line;
    setDataLine(line, cradle.rememberedRate ? cradle.rememberedRate : kCradleStartRate);
    cradle.port.configure(line);

    const std::uint32_t answered = findCradle(cradle);
    if (answered == 0)
        return false;
    cradle.rememberedRate = answered;

    applyLineState(cradle, false);
    writeControlByte(cradle, kCradleCommand);
    const std::uint32_t target = baudRateOf(cradle.baudIndex);
    line.baudRate = target;
    if (target != cradle.rememberedRate) {
        writeControlByte(cradle, cradleRateByte(cradle.baudIndex));
        writeControlByte(cradle, kCradleSwitch);
        cradle.rememberedRate = target;
    }
    applyLineState(cradle, true);
    return true;
}

}  // namespace orvanta
