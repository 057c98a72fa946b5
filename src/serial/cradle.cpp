/*
 * Infrared cradle set-up. The cradle's rate is not assumed: the rate it
 * was last found at is tried first, then every rate in a fixed order. Each
 * control byte is followed by a settle delay that depends on the rate the
 * cradle is listening at.
 */
#include "serial/cradle.h"

#include "serial/port_connection.h"

namespace orvanta {
namespace {

constexpr std::uint32_t kProbeOrder[] = {9600, 115200, 38400, 57600, 19200};

void applyLineState(PortConnection& connection, bool rtsOn)
{
    connection.lineConfig.rtsOn = rtsOn;
    connection.services.comPort.setLineConfig(connection.lineConfig);
}

// A rate command that does not go out leaves the cradle at its old rate;
// the collector's silence at the new one then ends the transfer.
void writeControlByte(PortConnection& connection, std::uint8_t byte)
{
    (void)connection.writePort(&byte, 1);
    connection.services.clock.sleepMs(connection.settleDelayMs);
}

// The first byte within the echo window decides; none means no answer.
bool awaitEcho(PortConnection& connection)
{
    Clock& clock = connection.services.clock;
    const std::uint32_t deadline = clock.tickCount() + kCradleEchoWindowMs;
    for (;;) {
        const auto left = static_cast<std::int32_t>(deadline - clock.tickCount());
        if (left <= 0)
            return false;
        std::uint8_t echo = 0;
        if (connection.services.comPort.read(&echo, 1, static_cast<std::uint32_t>(left)) == 1)
            return echo == kCradleProbe;
    }
}

std::uint32_t findCradle(PortConnection& connection)
{
    const std::uint32_t remembered = connection.rememberedCradleRate;
    if (remembered != 0 && probeCradleRate(connection, remembered))
        return remembered;
    for (std::uint32_t rate : kProbeOrder) {
        if (probeCradleRate(connection, rate))
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

bool probeCradleRate(PortConnection& connection, std::uint32_t rate)
{
    ComPort& port = connection.services.comPort;
    connection.lineConfig.baudRate = rate;
    connection.settleDelayMs = cradleSettleDelayMs(rate);
    applyLineState(connection, false);
    port.purge(PurgeFlag::TxClear | PurgeFlag::RxClear);
    const std::uint8_t probe = kCradleProbe;
    if (!connection.writePort(&probe, 1))
        return false;
    connection.services.clock.sleepMs(connection.settleDelayMs);
    const bool answered = awaitEcho(connection);
    applyLineState(connection, true);
    connection.services.clock.sleepMs(connection.settleDelayMs);
    return answered;
}

bool configureCradle(PortConnection& connection)
{
    ComPort& port = connection.services.comPort;
    LineConfig& line = connection.lineConfig;
    port.getLineConfig(line);
    port.setTimeouts();
    setDataLine(line, connection.rememberedCradleRate ? connection.rememberedCradleRate : kCradleStartRate);
    port.setLineConfig(line);

    const std::uint32_t answered = findCradle(connection);
    if (answered == 0)
        return false;
    connection.rememberedCradleRate = answered;

    applyLineState(connection, false);
    writeControlByte(connection, kCradleCommand);
    const std::uint32_t target = baudRateOf(connection.settings.baudIndex);
    line.baudRate = target;
    if (target != connection.rememberedCradleRate) {
        writeControlByte(connection, cradleRateByte(connection.settings.baudIndex));
        writeControlByte(connection, kCradleSwitch);
        connection.rememberedCradleRate = target;
    }
    applyLineState(connection, true);
    return true;
}

}  // namespace orvanta
