#pragma once

#include "platform/main_queue.h"

namespace wayfarer::ui {

// QMetaObject::invokeMethod(qApp, Qt::QueuedConnection): in order, on qApp's thread;
// tasks posted without a QCoreApplication are dropped.
class QtMainQueue final : public platform::MainQueue {
public:
    void post(std::function<void()> task) override;
};

}
