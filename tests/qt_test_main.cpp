// The main of the Qt test programs: one QApplication for all tests, on the offscreen
// platform unless the environment names another, so that no display is needed.
#include "ui/environment.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    wayfarer::ui::setAnimationsEnabled(false);
    testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    // Screens dismissed or popped by the last test are released with the loop's next turn.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
