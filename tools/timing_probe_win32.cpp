/*
 * What a PC gives the program's pauses and the engine's deadline: the way
 * the clock waits there, whether Windows took the opt-out of its timer
 * throttling, and how long
 * the pauses and a deadline through the UI thread's messages really
 * last, against plain Sleep.
 * None of this can be seen under wine, which sleeps with its host's clock;
 * run it on the Windows PC in question, with no window of it in front:
 *
 *   timing_probe.exe
 */
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "platform/clock_win32.h"
#include "platform/precise_timing_win32.h"
#include "platform/deadline_timer_win32.h"

namespace orvanta {
namespace {

const char* nameOf(PauseWaits waits)
{
    switch (waits) {
    case PauseWaits::HostSleep: return "the host's sleep (wine)";
    case PauseWaits::HighResolutionTimer: return "high-resolution waitable timer";
    case PauseWaits::FinerPeriodTimer: return "waitable timer, 1 ms tick while pausing";
    }
    return "?";
}

// Times the step `rounds` times; prints the mean and the longest in ms.
void measure(Win32Clock& clock, const char* what, int rounds, const std::function<void()>& step)
{
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        const std::uint64_t start = clock.nowUs();
        step();
        ms.push_back(static_cast<double>(clock.nowUs() - start) / 1000.0);
    }
    double sum = 0;
    for (double m : ms)
        sum += m;
    std::printf("| %s | %.3f ms | %.3f ms |\n", what, sum / rounds, *std::max_element(ms.begin(), ms.end()));
}

constexpr UINT kDue = WM_APP + 1;

// Arms the deadline and waits for its word among the thread's messages,
// as the engine gets it.
void awaitDeadline(Win32Clock& clock, Win32DeadlineTimer& deadline, std::uint32_t ms)
{
    deadline.armAt(clock.nowUs() + ms * kMicrosPerMs);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0 && message.message != kDue) {
    }
}

}  // namespace
}  // namespace orvanta

int main()
{
    using namespace orvanta;
    Win32Clock clock;
    const bool optedOut = keepTimerResolutionWhileHidden();
    std::printf("pauses wait on: %s\n", nameOf(clock.waits()));
    std::printf("opt-out of timer resolution throttling taken: %s\n", optedOut ? "yes" : "no");
    std::printf("\n");

    const DWORD thread = GetCurrentThreadId();
    MSG queue;
    PeekMessageA(&queue, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    Win32DeadlineTimer deadline(clock, [thread] { PostThreadMessageA(thread, kDue, 0, 0); });
    std::printf("| pause | mean | longest |\n|---|---|---|\n");
    measure(clock, "Sleep(2)", 100, [] { Sleep(2); });
    measure(clock, "clock, 2 ms", 100, [&] { clock.sleepMs(2); });
    measure(clock, "Sleep(100)", 10, [] { Sleep(100); });
    measure(clock, "clock, 100 ms", 10, [&] { clock.sleepMs(100); });
    measure(clock, "deadline, 2 ms", 100, [&] { awaitDeadline(clock, deadline, 2); });
    measure(clock, "deadline, 100 ms", 10, [&] { awaitDeadline(clock, deadline, 100); });
    return 0;
}
