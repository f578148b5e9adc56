#pragma once

#include "app_delegate.h"
#include "application_settings.h"
#include "controller_classes.h"
#include "scene_delegate.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace wayfarer::shell {

// The name under which interface files give the class of the screen that owns their
// top-level view.
inline const QString viewControllerClassProperty = QStringLiteral("viewControllerClass");

// Starts the application as the phone platform would: the application delegate, then,
// from platform version 13, a scene session with its configuration and scene delegate,
// and one window whose root screen comes from the main interface file.
class Application {
public:
    Application(ApplicationSettings settings, const ControllerClasses& classes);

    // Everything up to the visible window. Fails with a message when the settings or the
    // main interface file do not make a first screen.
    platform::Result<void> launch(const QVariantMap& launchOptions = {});

    AppDelegate& appDelegate() { return appDelegate_; }
    SceneDelegate* sceneDelegate() const { return sceneDelegate_.get(); }
    // The window, wherever the platform version keeps it.
    ui::Window* window() const;

    // The application moving to the background and back.
    void enterBackground();
    void enterForeground();

private:
    platform::Result<std::unique_ptr<ui::Window>> makeWindow(const QString& interfaceFile) const;

    ApplicationSettings settings_;
    const ControllerClasses& classes_;
    AppDelegate appDelegate_;
    std::unique_ptr<SceneDelegate> sceneDelegate_;
};

// What a program adds to the start: `beforeLaunch` sees the arguments that Qt left and
// may end the program with a status before anything is shown; `afterLaunch` runs once
// the window is up, before the event loop starts.
struct LaunchHooks {
    std::function<std::optional<int>(const QStringList& arguments)> beforeLaunch;
    std::function<void(Application&)> afterLaunch;
};

// The environment variable that makes every text larger or smaller than the desktop's,
// by a factor from 0.5 to 4: for people who need larger text than the desktop gives.
inline constexpr const char* textScaleVariable = "WAYFARER_TEXT_SCALE";
// The factor that the variable's value names, or nothing for a value that is not one.
std::optional<double> textScaleNamed(const QString& value);

// The program's entry: makes the Qt application, installs the main queue on its event
// loop, scales the text by WAYFARER_TEXT_SCALE, launches with `classes` and runs the loop.
// Returns the exit status (2 for a text scale that is not one), once the process's
// background work (HTTP transfers, decoding, rendering) has stopped for good.

int runApplication(int argc, char** argv, const ControllerClasses& classes, const LaunchHooks& hooks = {});

}
