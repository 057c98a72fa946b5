/*
 * The typing worker: a thread of its own that types one record at a time,
 * in the order they were given, and says what came of each. Records of a
 * transfer and records typed again from the journal go through the same
 * queue, so they take turns by construction, and each is typed under the
 * same rules, Caps Lock and the watch on its keys included.
 */
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "keys/record_typist.h"
#include "platform/bounded_thread.h"

namespace orvanta {

class TypingWorker {
public:
    // `done` is called on the worker's thread after each record.
    TypingWorker(RecordTypist& typist, std::function<void(const TypedRecord&)> done);
    // The record being typed stops at its next key.
    ~TypingWorker();
    TypingWorker(const TypingWorker&) = delete;
    TypingWorker& operator=(const TypingWorker&) = delete;

    void give(RecordJob job);
    // A record still waiting is not typed; the one being typed stops at
    // its next key. Either way it is answered as not typed whole.
    void stop(Ticket ticket);

private:
    void run();
    bool takeNext(RecordJob& job);

    RecordTypist& typist_;
    std::function<void(const TypedRecord&)> done_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<RecordJob> jobs_;
    Ticket typing_ = 0;
    bool quitting_ = false;
    BoundedThread thread_;
};

}  // namespace orvanta
