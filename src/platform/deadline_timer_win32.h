/*
 * The engine's deadline on Windows: a thread of its own waits for it on
 * the clock's finest timer and says so through the callback, which posts
 * to the engine's thread. A window timer would do, but only on the
 * system's tick (a 100 ms pause lasting 109 ms), and no wait inside the
 * engine's own message loop could do it while a dialog, a message box or
 * a menu runs the thread's messages in a loop of its own.
 */
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/bounded_thread.h"
#include "platform/clock_win32.h"
#include "platform/deadline_timer.h"

namespace orvanta {

class Win32DeadlineTimer final : public DeadlineTimer {
public:
    // `due` is called on the timer's thread, or on the caller's for a
    // deadline already past.
    Win32DeadlineTimer(Win32Clock& clock, std::function<void()> due);
    ~Win32DeadlineTimer() override;
    Win32DeadlineTimer(const Win32DeadlineTimer&) = delete;
    Win32DeadlineTimer& operator=(const Win32DeadlineTimer&) = delete;

    void armAt(std::uint64_t atUs) override;

private:
    void run();
    std::uint64_t armed();
    void waitCoarsely(std::uint64_t us);

    Win32Clock& clock_;
    std::function<void()> due_;
    const std::uint64_t marginUs_;   // left to the clock's own pause at the end
    HANDLE changed_ = nullptr;       // auto-reset: a new deadline, or the end
    HANDLE timer_ = nullptr;
    std::mutex lock_;
    std::uint64_t atUs_ = 0;         // 0: nothing armed
    bool quitting_ = false;
    BoundedThread thread_;
};

}  // namespace orvanta
