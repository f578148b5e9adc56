#pragma once

#include "main_queue.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace wayfarer::platform {

// A MainQueue pumped by its caller: the CLI and tests use it where the app uses QEventLoop.
class RunLoop final : public MainQueue {
public:
    void post(std::function<void()> task) override;

    // `done` is checked before each wait and after each task; false on time-out.
    [[nodiscard]] bool runUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = std::chrono::seconds(30));

    // Until empty, including tasks posted by the tasks it runs.
    void drain();

    std::size_t pendingCount() const;

private:
    bool runOne(std::unique_lock<std::mutex>& lock);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
};

}
