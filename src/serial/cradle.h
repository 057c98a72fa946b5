/*
 * Infrared cradle set-up: find the rate the cradle listens at by probing,
 * then switch it to the configured rate. Control bytes are written with
 * RTS off; collector traffic runs with RTS on.
 */
#pragma once

#include <cstdint>

namespace orvanta {

class PortConnection;

constexpr std::uint8_t kCradleProbe = 0x0F;
constexpr std::uint8_t kCradleCommand = 0x07;
constexpr std::uint8_t kCradleSwitch = 0x51;
constexpr std::uint32_t kCradleStartRate = 38400;
constexpr std::uint32_t kCradleEchoWindowMs = 100;

// False when the cradle answered at no rate.
[[nodiscard]] bool configureCradle(PortConnection& connection);
// True when the cradle echoed the probe at the rate.
[[nodiscard]] bool probeCradleRate(PortConnection& connection, std::uint32_t rate);

std::uint32_t cradleSettleDelayMs(std::uint32_t rate);
// The byte that selects the rate of a baud index: '6' (115200) .. '2' (9600).
std::uint8_t cradleRateByte(int baudIndex);

}  // namespace orvanta
