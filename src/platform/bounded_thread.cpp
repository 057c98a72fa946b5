/*
 * Bounded threads.
 */
#include "platform/bounded_thread.h"

namespace orvanta {

BoundedThread::BoundedThread(std::function<void()> body)
    : thread_([this, body = std::move(body)] {
          body();
          const std::lock_guard hold(lock_);
          ended_ = true;
          endedSignal_.notify_all();
      })
{
}

void BoundedThread::endWithin(std::chrono::milliseconds wait)
{
    if (!thread_.joinable())
        return;
    std::unique_lock hold(lock_);
    if (endedSignal_.wait_for(hold, wait, [this] { return ended_; })) {
        hold.unlock();
        thread_.join();
    } else {
        thread_.detach();
    }
}

}  // namespace orvanta
