#include <gtest/gtest.h>

#include <windows.h>

#include <thread>
#include <vector>

#include "platform/clock_win32.h"
#include "platform/precise_timing_win32.h"
#include "platform/system_library_win32.h"

namespace orvanta {
namespace {

std::vector<PauseWaits> waitsOfThisSystem()
{
    std::vector<PauseWaits> all{PauseWaits::HighResolutionTimer, PauseWaits::FinerPeriodTimer};
    if (hostSleepExists())
        all.push_back(PauseWaits::HostSleep);
    return all;
}

// Each pause is checked against the clock's own reading: ending late is
// the platform's business, ending early is a fault.
void pauseAndCheck(Win32Clock& clock, std::uint64_t lengthUs, const char* what)
{
    const std::uint64_t deadline = clock.nowUs() + lengthUs;
    clock.sleepUntilUs(deadline);
    EXPECT_GE(clock.nowUs(), deadline) << what << ", " << lengthUs << " us";
}

TEST(Win32Clock, NoPauseEndsBeforeItsDeadlineOnAnyWayOfWaiting)
{
    for (PauseWaits waits : waitsOfThisSystem()) {
        Win32Clock clock(waits);
        const std::uint64_t before = clock.nowUs();
        clock.sleepUntilUs(before - 1);
        for (std::uint64_t lengthUs : {1ull, 300ull, 2'000ull, 16'000ull})
            pauseAndCheck(clock, lengthUs, "one thread");
        std::thread other([&] {
            for (int i = 0; i < 20; ++i)
                pauseAndCheck(clock, 2'000, "two threads");
        });
        for (int i = 0; i < 13; ++i)
            pauseAndCheck(clock, 3'000, "two threads");
        other.join();
        const std::uint64_t idleFrom = clock.nowUs();
        clock.idleMs(2);
        EXPECT_GE(clock.nowUs(), idleFrom + 2'000);
    }
}

// Only where no high-resolution timer exists; it is given back a second
// after the last pause, at the next look.
TEST(Win32Clock, TheFinerPeriodIsHeldOnlyWhilePausesCome)
{
    Win32Clock clock(PauseWaits::FinerPeriodTimer);
    Win32Clock other(PauseWaits::HighResolutionTimer);
    EXPECT_FALSE(clock.finerPeriodHeld());
    clock.idleMs(2);
    other.sleepMs(2);
    EXPECT_FALSE(clock.finerPeriodHeld()) << "an idle pause needs no finer period";
    EXPECT_FALSE(other.finerPeriodHeld()) << "nor does a high-resolution timer";
    clock.sleepMs(2);
    EXPECT_TRUE(clock.finerPeriodHeld());
    const DWORD start = GetTickCount();
    while (clock.finerPeriodHeld() && GetTickCount() - start < 10'000)
        Sleep(50);
    EXPECT_FALSE(clock.finerPeriodHeld());
    clock.sleepMs(1);
    EXPECT_TRUE(clock.finerPeriodHeld()) << "asked for again by the next pause";
}

TEST(Win32Clock, WinmmLoadsFromTheSystemFolderWithAndWithoutTheSearchFlag)
{
    for (HMODULE module : {loadSystemLibrary("winmm.dll"), loadSystemLibraryByPath("winmm.dll")}) {
        ASSERT_NE(module, nullptr);
        EXPECT_NE(GetProcAddress(module, "timeBeginPeriod"), nullptr);
    }
    EXPECT_EQ(loadSystemLibrary("no-such-library.dll"), nullptr);
}

}  // namespace
}  // namespace orvanta
