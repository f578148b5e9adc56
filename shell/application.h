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

// The top-level widget's string property in a .ui file that names its ViewController class.
inline const QString viewControllerClassProperty = QStringLiteral("viewControllerClass");

// AppDelegate, then from ui::platformVersion() 13 a SceneSession, its SceneConfiguration and
// SceneDelegate, and one ui::Window whose root ViewController comes from the main .ui file.
class Application {
public:
    Application(ApplicationSettings settings, const ControllerClasses& classes);

    // Up to Window::makeKeyAndVisible(); fails when Info.json or the main .ui file make no root screen.
    platform::Result<void> launch(const QVariantMap& launchOptions = {});

    AppDelegate& appDelegate() { return appDelegate_; }
    SceneDelegate* sceneDelegate() const { return sceneDelegate_.get(); }
    // SceneDelegate's window from version 13, AppDelegate's before.
    ui::Window* window() const;

    // Qt::ApplicationSuspended/Hidden and back to Qt::ApplicationActive.
    void enterBackground();
    void enterForeground();

private:
    platform::Result<std::unique_ptr<ui::Window>> makeWindow(const QString& interfaceFile) const;

    ApplicationSettings settings_;
    const ControllerClasses& classes_;
    AppDelegate appDelegate_;
    std::unique_ptr<SceneDelegate> sceneDelegate_;
};

// `beforeLaunch` gets QApplication::arguments() and may return an exit status; `afterLaunch`
// runs after launch(), before QApplication::exec().
struct LaunchHooks {
    std::function<std::optional<int>(const QStringList& arguments)> beforeLaunch;
    std::function<void(Application&)> afterLaunch;
};

// Scales QApplication::font() by a factor from 0.5 to 4.
inline constexpr const char* textScaleVariable = "WAYFARER_TEXT_SCALE";
// The factor a value of WAYFARER_TEXT_SCALE names, or nothing.
std::optional<double> textScaleNamed(const QString& value);

// QApplication, ui::QtMainQueue as platform::mainQueue, WAYFARER_TEXT_SCALE, launch() and exec().
// Returns the exit status (2 for a bad text scale) once HttpClient::stopShared(),
// platform::stopImageDecoding() and the rendering pool are done.

int runApplication(int argc, char** argv, const ControllerClasses& classes, const LaunchHooks& hooks = {});

}
