/*
 * A worker's thread that the program never waits for without a bound: at
 * the end it is given a while to finish what it does, and a thread stuck
 * in the platform past that is left to the end of the process.
 */
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace orvanta {

class BoundedThread {
public:
    explicit BoundedThread(std::function<void()> body);
    ~BoundedThread() { endWithin(std::chrono::milliseconds(0)); }
    BoundedThread(const BoundedThread&) = delete;
    BoundedThread& operator=(const BoundedThread&) = delete;

    // Waits at most `wait` for the body to return, then lets the thread go.
    void endWithin(std::chrono::milliseconds wait);

private:
    // Shared with the thread, which may outlive this object once let go.
    struct Ending {
        std::mutex lock;
        std::condition_variable signal;
        bool ended = false;
    };
    std::shared_ptr<Ending> ending_ = std::make_shared<Ending>();
    std::thread thread_;
};

}  // namespace orvanta
