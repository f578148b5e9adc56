#pragma once

#include <QString>

namespace wayfarer::shell {
class Application;
}

namespace wayfarer::app {

// A scripted walk through every screen that saves a picture of each into a folder: the
// welcome screen, a search with its covers, the next page, a like, the detail screen, the
// error alert, a search that finds nothing, and the results in a wide window. Runs inside
// the application's event loop and ends it with the tour's status: 0 when every picture
// was saved.
class Tour {
public:
    Tour(shell::Application& application, QString directory);

    // Starts the walk once the event loop runs.
    void start();

private:
    int run();

    shell::Application& application_;
    QString directory_;
};

}
