/*
 * The deadline's thread. It waits coarsely, on a waitable timer that a
 * new deadline cuts short, until a little before the deadline, and the
 * rest with the clock's own pause: under wine waits on handles end only on
 * whole milliseconds, while its sleep keeps to the host's clock; without a
 * high-resolution timer the coarse wait ends on the system's tick, and the
 * clock's pause makes the tick finer for the rest.
 */
#include "platform/deadline_timer_win32.h"

#include "platform/precise_timing_win32.h"

namespace orvanta {
namespace {

std::uint64_t marginFor(PauseWaits waits)
{
    switch (waits) {
    case PauseWaits::HostSleep: return 2000;
    case PauseWaits::HighResolutionTimer: return 0;
    case PauseWaits::FinerPeriodTimer: return 20000;
    }
    return 20000;
}

constexpr auto kEndWait = std::chrono::milliseconds(1000);

}  // namespace

Win32DeadlineTimer::Win32DeadlineTimer(Win32Clock& clock, std::function<void()> due)
    : clock_(clock), due_(std::move(due)), marginUs_(marginFor(clock.waits())),
      changed_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      timer_(createPauseTimer(clock.waits() == PauseWaits::HighResolutionTimer)), thread_([this] { run(); })
{
}

Win32DeadlineTimer::~Win32DeadlineTimer()
{
    {
        const std::lock_guard hold(lock_);
        quitting_ = true;
    }
    SetEvent(changed_);
    thread_.endWithin(kEndWait);
}

void Win32DeadlineTimer::armAt(std::uint64_t atUs)
{
    if (atUs <= clock_.nowUs()) {
        {
            const std::lock_guard hold(lock_);
            atUs_ = 0;
        }
        due_();
        return;
    }
    {
        const std::lock_guard hold(lock_);
        atUs_ = atUs;
    }
    SetEvent(changed_);
}

// ~0 when the thread is to end.
std::uint64_t Win32DeadlineTimer::armed()
{
    const std::lock_guard hold(lock_);
    return quitting_ ? ~std::uint64_t{0} : atUs_;
}

void Win32DeadlineTimer::run()
{
    for (;;) {
        const std::uint64_t at = armed();
        if (at == ~std::uint64_t{0})
            return;
        if (at == 0) {
            WaitForSingleObject(changed_, INFINITE);
            continue;
        }
        const std::uint64_t now = clock_.nowUs();
        if (now + marginUs_ < at) {
            waitCoarsely(at - now - marginUs_);
            continue;
        }
        clock_.sleepUntilUs(at);
        {
            const std::lock_guard hold(lock_);
            if (atUs_ != at)
                continue;
            atUs_ = 0;
        }
        due_();
    }
}

void Win32DeadlineTimer::waitCoarsely(std::uint64_t us)
{
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(us * 10);
    if (!timer_ || !SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE)) {
        WaitForSingleObject(changed_, static_cast<DWORD>(us / 1000));
        return;
    }
    const HANDLE waits[] = {timer_, changed_};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
}

}  // namespace orvanta
