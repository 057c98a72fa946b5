/*
 * The clock on Windows. Time is read from the performance counter, which
 * never goes back; a pause waits for what is left until its deadline and
 * looks again, so it never ends early, whatever the timer did.
 *
 * Sleep and ordinary timers end on the system tick, 15.6 ms by default: a
 * 2 ms pause after a typed byte would last 15.6 ms. High-resolution
 * waitable timers end close to their due time without changing the tick.
 * Where they do not exist, the tick is made 1 ms while pauses come (see
 * ResolutionLease). Windows 11 does not honour that for a process whose
 * windows are all hidden, as this one's are during a transfer, unless the
 * process opts out of that throttling, which it does here at once. Under
 * wine, whose waits on handles end only on whole milliseconds, the pauses
 * sleep with the host's clock instead.
 */
#include "platform/clock_win32.h"

#include "platform/precise_timing_win32.h"

namespace orvanta {
namespace {

constexpr DWORD kPeriodLookMs = 1000;

}  // namespace

PauseWaits finestPauseWaits()
{
    if (hostSleepExists())
        return PauseWaits::HostSleep;
    if (HANDLE timer = createPauseTimer(true)) {
        CloseHandle(timer);
        return PauseWaits::HighResolutionTimer;
    }
    return PauseWaits::FinerPeriodTimer;
}

Win32Clock::Win32Clock(PauseWaits waits) : waits_(waits)
{
    LARGE_INTEGER frequency;
    if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0)
        countsPerSecond_ = static_cast<std::uint64_t>(frequency.QuadPart);
    keepTimerResolutionWhileHidden();
}

// The look is stopped first; it may be running, and it takes the lock.
Win32Clock::~Win32Clock()
{
    HANDLE look;
    {
        std::lock_guard<std::mutex> hold(periodLock_);
        look = periodLook_;
        periodLook_ = nullptr;
    }
    if (look)
        DeleteTimerQueueTimer(nullptr, look, INVALID_HANDLE_VALUE);
    if (lease_.held())
        endFinerPeriod();
}

std::uint64_t Win32Clock::nowUs()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    const auto counts = static_cast<std::uint64_t>(counter.QuadPart);
    // In two parts, so that the product cannot overflow.
    return counts / countsPerSecond_ * 1'000'000 + counts % countsPerSecond_ * 1'000'000 / countsPerSecond_;
}

void Win32Clock::sleepUntilUs(std::uint64_t deadlineUs)
{
    if (nowUs() >= deadlineUs)
        return;
    if (waits_ == PauseWaits::FinerPeriodTimer)
        holdFinerPeriod(deadlineUs);
    waitUntil(deadlineUs);
}

void Win32Clock::idleMs(std::uint32_t ms)
{
    waitUntil(nowUs() + ms * kMicrosPerMs);
}

std::uint32_t Win32Clock::tickCount()
{
    return GetTickCount();
}

void Win32Clock::waitUntil(std::uint64_t deadlineUs)
{
    for (std::uint64_t now = nowUs(); now < deadlineUs; now = nowUs())
        waitFor(deadlineUs - now);
}

// A timer of its own for every wait: the two threads pause at the same
// time, and a timer set by one would cut the other's wait short.
void Win32Clock::waitFor(std::uint64_t us)
{
    if (waits_ == PauseWaits::HostSleep) {
        hostSleep(us);
        return;
    }
    HANDLE timer = createPauseTimer(waits_ == PauseWaits::HighResolutionTimer);
    const bool waited = timer && waitOnTimer(timer, us);
    if (timer)
        CloseHandle(timer);
    if (!waited)
        Sleep(static_cast<DWORD>((us + kMicrosPerMs - 1) / kMicrosPerMs));
}

void Win32Clock::holdFinerPeriod(std::uint64_t deadlineUs)
{
    std::lock_guard<std::mutex> hold(periodLock_);
    if (!lease_.pauseBegins(deadlineUs))
        return;
    beginFinerPeriod();
    if (!periodLook_)
        CreateTimerQueueTimer(&periodLook_, nullptr, FinerPeriodLookProc, this, kPeriodLookMs, kPeriodLookMs, 0);
}

// On a thread of the system's timer queue, once a second while the finer
// period is held.
void CALLBACK Win32Clock::FinerPeriodLookProc(void* clock, BOOLEAN)
{
    auto& self = *static_cast<Win32Clock*>(clock);
    std::lock_guard<std::mutex> hold(self.periodLock_);
    if (!self.lease_.lapsed(self.nowUs()))
        return;
    endFinerPeriod();
    if (self.periodLook_)
        DeleteTimerQueueTimer(nullptr, self.periodLook_, nullptr);   // ends once this call returns
    self.periodLook_ = nullptr;
}

bool Win32Clock::finerPeriodHeld()
{
    std::lock_guard<std::mutex> hold(periodLock_);
    return lease_.held();
}

}  // namespace orvanta
