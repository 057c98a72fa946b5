/*
 * The typing worker's thread and queue.
 */
#include "keys/typing_worker.h"

#include <chrono>

namespace orvanta {
namespace {

// A record stops at its next key, which comes within its pause after the
// key before; a worker that has not ended by then is stuck in the
// platform, and is left to the end of the process.
constexpr auto kEndWait = std::chrono::milliseconds(2000);

}  // namespace

TypingWorker::TypingWorker(RecordTypist& typist, std::function<void(const TypedRecord&)> done)
    : typist_(typist), done_(std::move(done)), thread_([this] { run(); })
{
}

TypingWorker::~TypingWorker()
{
    {
        const std::lock_guard hold(lock_);
        quitting_ = true;
        typist_.typing().stopRequested = true;
        wake_.notify_all();
    }
    thread_.endWithin(kEndWait);
}

void TypingWorker::give(RecordJob job)
{
    const std::lock_guard hold(lock_);
    jobs_.push_back(std::move(job));
    wake_.notify_all();
}

void TypingWorker::stop(Ticket ticket)
{
    const std::lock_guard hold(lock_);
    if (typing_ == ticket)
        typist_.typing().stopRequested = true;
    for (RecordJob& job : jobs_) {
        if (job.ticket == ticket)
            job.stopped = true;
    }
}

bool TypingWorker::takeNext(RecordJob& job)
{
    std::unique_lock hold(lock_);
    wake_.wait(hold, [this] { return quitting_ || !jobs_.empty(); });
    if (quitting_)
        return false;
    job = std::move(jobs_.front());
    jobs_.pop_front();
    typing_ = job.ticket;
    typist_.typing().stopRequested = false;
    return true;
}

// Every record given is answered, one stopped before its turn as well.
void TypingWorker::run()
{
    RecordJob job;
    while (takeNext(job)) {
        const TypedRecord typed = job.stopped ? TypedRecord{job.ticket} : typist_.type(job);
        {
            const std::lock_guard hold(lock_);
            typing_ = 0;
        }
        done_(typed);
    }
}

}  // namespace orvanta
