/*
 * Infrared cradle set-up: find the rate the cradle listens at by probing,
 * then switch it to the configured rate. Control bytes are written with
 * RTS off; collector traffic runs with RTS on.
 */
#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "serial/com_port.h"

namespace orvanta {

constexpr std::uint8_t kCradleProbe = 0x0F;
constexpr std::uint8_t kCradleCommand = 0x07;
constexpr std::uint8_t kCradleSwitch = 0x51;
constexpr std::uint32_t kCradleStartRate = 38400;
constexpr std::uint32_t kCradleEchoWindowMs = 100;

// What the set-up works on: the open port and its line, and the rate the
// cradle last answered at or was switched to (0: none), which is kept
// from one connection to the next.
struct CradleLine {
    ComPort& port;
    Clock& clock;
    LineConfig& line;
    std::uint32_t& rememberedRate;
    int baudIndex;
    std::uint32_t settleDelayMs = 0;   // the pause after each control byte, at the rate tried
};

// False when the cradle answered at no rate.
[[nodiscard]] bool configureCradle(CradleLine& cradle);
// True when the cradle echoed the probe at the rate.
[[nodiscard]] bool probeCradleRate(CradleLine& cradle, std::uint32_t rate);

std::uint32_t cradleSettleDelayMs(std::uint32_t rate);
// The byte that selects the rate of a baud index: '6' (115200) .. '2' (9600).
std::uint8_t cradleRateByte(int baudIndex);

}  // namespace orvanta
