#include "main_queue.h"

#include "no_destructor.h"
#include "run_loop.h"

#include <mutex>

namespace wayfarer::platform {

namespace {
std::mutex queueMutex;
// Leaked: the HttpClient and decode threads may post here during static destruction.
std::shared_ptr<MainQueue>& installedQueue() {
    static NoDestructor<std::shared_ptr<MainQueue>> queue(std::make_shared<RunLoop>());
    return *queue;
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
