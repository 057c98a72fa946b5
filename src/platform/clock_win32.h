/*
 * The clock on Windows.
 */
#pragma once

#include "platform/clock.h"

namespace orvanta {

class Win32Clock final : public Clock {
public:
    void sleepMs(std::uint32_t ms) override;
    std::uint32_t tickCount() override;
};

}  // namespace orvanta
