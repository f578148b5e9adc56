#pragma once

#include <functional>
#include <memory>

namespace wayfarer::platform {

// The queue of work for the main thread. Posting is safe from any thread; the tasks
// run one after another on the main thread, in the order they were posted, each after
// the work item that is running when it is posted.
class MainQueue {
public:
    virtual ~MainQueue() = default;
    virtual void post(std::function<void()> task) = 0;
};

// The process's main queue. Until a program installs its own (the application installs
// one that runs on the Qt event loop), this is a RunLoop that the main thread drives.
std::shared_ptr<MainQueue> mainQueue();
void setMainQueue(std::shared_ptr<MainQueue> queue);

}
