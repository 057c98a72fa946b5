/*
 * Infrared cradle set-up. The cradle's rate is not assumed: the rate it
 * was last found at is tried first, then every rate in a fixed order. Each
 * control byte is followed by a settle delay that depends on the rate the
 * cradle is listening at.
 */
#include "serial/cradle.h"

#include "app/program.h"

namespace orvanta {
namespace {

constexpr std::uint32_t kProbeOrder[] = {9600, 115200, 38400, 57600, 19200};

void applyLineState(Program& program, bool rtsOn)
{
    program.port.lineConfig.rtsOn = rtsOn;
    program.platform.comPort.setLineConfig(program.port.lineConfig);
}

void writeControlByte(Program& program, std::uint8_t byte)
{
    WritePort(program, &byte, 1);
    program.platform.clock.sleepMs(program.port.settleDelayMs);
}

// The first byte within the echo window decides; none means no answer.
int awaitEcho(Program& program)
{
    Clock& clock = program.platform.clock;
    const std::uint32_t deadline = clock.tickCount() + kCradleEchoWindowMs;
    for (;;) {
        const auto left = static_cast<std::int32_t>(deadline - clock.tickCount());
        if (left <= 0)
            return 0;
        std::uint8_t echo = 0;
        if (program.platform.comPort.read(&echo, 1, static_cast<std::uint32_t>(left)) == 1)
            return echo == kCradleProbe ? 1 : 0;
    }
}

std::uint32_t findCradle(Program& program)
{
    const std::uint32_t remembered = program.port.rememberedCradleRate;
    if (remembered != 0 && ProbeCradleRate(program, remembered))
        return remembered;
    for (std::uint32_t rate : kProbeOrder) {
        if (ProbeCradleRate(program, rate))
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

int ProbeCradleRate(Program& program, std::uint32_t rate)
{
    ComPort& port = program.platform.comPort;
    program.port.lineConfig.baudRate = rate;
    program.port.settleDelayMs = cradleSettleDelayMs(rate);
    applyLineState(program, false);
    port.purge(PurgeTxClear | PurgeRxClear);
    const std::uint8_t probe = kCradleProbe;
    if (!WritePort(program, &probe, 1))
        return 0;
    program.platform.clock.sleepMs(program.port.settleDelayMs);
    const int answered = awaitEcho(program);
    applyLineState(program, true);
    program.platform.clock.sleepMs(program.port.settleDelayMs);
    return answered;
}

int ConfigureCradle(Program& program)
{
    ComPort& port = program.platform.comPort;
    LineConfig& line = program.port.lineConfig;
    port.getLineConfig(line);
    port.setTimeouts();
    setDataLine(line, program.port.rememberedCradleRate ? program.port.rememberedCradleRate : kCradleStartRate);
    port.setLineConfig(line);

    const std::uint32_t answered = findCradle(program);
    if (answered == 0)
        return 0;
    program.port.rememberedCradleRate = answered;

    applyLineState(program, false);
    writeControlByte(program, kCradleCommand);
    const std::uint32_t target = baudRateOf(program.settings.baudIndex);
    line.baudRate = target;
    if (target != program.port.rememberedCradleRate) {
        writeControlByte(program, cradleRateByte(program.settings.baudIndex));
        writeControlByte(program, kCradleSwitch);
        program.port.rememberedCradleRate = target;
    }
    applyLineState(program, true);
    return 1;
}

}  // namespace orvanta
