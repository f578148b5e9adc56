#include "qt_main_queue.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace wayfarer::ui {

void QtMainQueue::post(std::function<void()> task) {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return;
    QMetaObject::invokeMethod(application, std::move(task), Qt::QueuedConnection);
}

}
