#include "qt_main_queue.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace wayfarer::ui {

void QtMainQueue::post(std::function<void()> task) {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return;
    // Queued calls to one receiver are delivered in the order they were posted.
    QMetaObject::invokeMethod(application, std::move(task), Qt::QueuedConnection);
}

}
