#pragma once

#include "platform/main_queue.h"

namespace wayfarer::ui {

// The main queue on the Qt event loop: tasks posted from any thread run on the thread of
// the application object, one per event, in the order they were posted. Install it once
// the application object exists; without one there is no loop to run tasks on.
class QtMainQueue final : public platform::MainQueue {
public:
    void post(std::function<void()> task) override;
};

}
