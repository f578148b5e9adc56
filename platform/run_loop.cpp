#include "run_loop.h"

namespace wayfarer::platform {

void RunLoop::post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

bool RunLoop::runOne(std::unique_lock<std::mutex>& lock) {
    if (tasks_.empty())
        return false;
    auto task = std::move(tasks_.front());
    tasks_.pop_front();
    lock.unlock();
    task();
    lock.lock();
    return true;
}

bool RunLoop::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(mutex_);
    while (true) {
        lock.unlock();
        const bool finished = done();
        lock.lock();
        if (finished)
            return true;
        if (runOne(lock))
            continue;
        if (wake_.wait_until(lock, deadline, [this] { return !tasks_.empty(); }))
            continue;
        lock.unlock();
        return done();
    }
}

void RunLoop::drain() {
    std::unique_lock lock(mutex_);
    while (runOne(lock)) {
    }
}

std::size_t RunLoop::pendingCount() const {
    std::lock_guard lock(mutex_);
    return tasks_.size();
}

}
