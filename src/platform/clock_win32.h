/*
 * The clock on Windows: pauses that end close to their deadline, on the
 * finest timer the system has.
 */
#pragma once

#include <windows.h>

#include <mutex>

#include "platform/clock.h"
#include "platform/timer_resolution.h"

namespace orvanta {

// How the pauses wait, finest first.
enum class PauseWaits {
    HostSleep,             // under wine: its host's clock
    HighResolutionTimer,   // Windows 10 1803 and later
    FinerPeriodTimer,      // older systems: a waitable timer on a 1 ms tick while pauses come
};

// The finest this system has.
PauseWaits finestPauseWaits();

class Win32Clock final : public Clock {
public:
    Win32Clock() : Win32Clock(finestPauseWaits()) {}
    explicit Win32Clock(PauseWaits waits);
    ~Win32Clock() override;
    Win32Clock(const Win32Clock&) = delete;
    Win32Clock& operator=(const Win32Clock&) = delete;

    std::uint64_t nowUs() override;
    void sleepUntilUs(std::uint64_t deadlineUs) override;
    void idleMs(std::uint32_t ms) override;
    std::uint32_t tickCount() override;

    PauseWaits waits() const { return waits_; }
    bool finerPeriodHeld();

private:
    void waitUntil(std::uint64_t deadlineUs);
    void waitFor(std::uint64_t us);
    void holdFinerPeriod(std::uint64_t deadlineUs);
    static void CALLBACK FinerPeriodLookProc(void* clock, BOOLEAN);

    std::uint64_t countsPerSecond_ = 1;
    PauseWaits waits_ = PauseWaits::FinerPeriodTimer;
    std::mutex periodLock_;
    ResolutionLease lease_;
    HANDLE periodLook_ = nullptr;   // a timer-queue timer while the finer period is held
};

}  // namespace orvanta
