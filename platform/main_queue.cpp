#include "main_queue.h"

#include "run_loop.h"

#include <mutex>

namespace wayfarer::platform {

namespace {
std::mutex queueMutex;
std::shared_ptr<MainQueue>& installedQueue() {
    static std::shared_ptr<MainQueue> queue = std::make_shared<RunLoop>();
    return queue;
}
}

std::shared_ptr<MainQueue> mainQueue() {
    std::lock_guard lock(queueMutex);
    return installedQueue();
}

void setMainQueue(std::shared_ptr<MainQueue> queue) {
    std::lock_guard lock(queueMutex);
    installedQueue() = std::move(queue);
}

}
