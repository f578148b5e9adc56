#pragma once

#include "main_queue.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace wayfarer::platform {

// A main queue driven by whoever calls run: the command line and the tests use it
// where the application uses the Qt event loop.
class RunLoop final : public MainQueue {
public:
    void post(std::function<void()> task) override;

    // Runs posted tasks until `done` holds (checked before each wait and after each
    // task) or the time-out passes. Returns whether `done` held.
    [[nodiscard]] bool runUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = std::chrono::seconds(30));

    // Runs the tasks queued now, and those they post, until the queue is empty.
    void drain();

    std::size_t pendingCount() const;

private:
    bool runOne(std::unique_lock<std::mutex>& lock);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
};

}
