/*
 * Bounded threads.
 */
#include "platform/bounded_thread.h"

namespace orvanta {

BoundedThread::BoundedThread(std::function<void()> body)
    : thread_([ending = ending_, body = std::move(body)] {
          body();
          const std::lock_guard hold(ending->lock);
          ending->ended = true;
          ending->signal.notify_all();
      })
{
}

void BoundedThread::endWithin(std::chrono::milliseconds wait)
{
    if (!thread_.joinable())
        return;
    Ending& ending = *ending_;
    std::unique_lock hold(ending.lock);
    if (ending.signal.wait_for(hold, wait, [&ending] { return ending.ended; })) {
        hold.unlock();
        thread_.join();
    } else {
        thread_.detach();
    }
}

}  // namespace orvanta
