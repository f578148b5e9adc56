#pragma once

#include <functional>
#include <memory>

namespace wayfarer::platform {

// Serial FIFO on the main thread (as GCD's main queue); post() is thread-safe and never
// runs the task inline.
class MainQueue {
public:
    virtual ~MainQueue() = default;
    virtual void post(std::function<void()> task) = 0;
};

// A RunLoop until a program installs its own (the app installs one on the Qt event loop).
std::shared_ptr<MainQueue> mainQueue();
void setMainQueue(std::shared_ptr<MainQueue> queue);

}
