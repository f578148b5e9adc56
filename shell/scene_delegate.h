#pragma once

#include "scene_configuration.h"
#include "ui/window.h"

#include <memory>

namespace wayfarer::shell {

// The delegate of the window's scene, from platform version 13: it keeps the window the
// platform builds for the scene alive. The application does nothing on any of the
// scene's transitions: no state depends on them.
class SceneDelegate {
public:
    void willConnectToSession(const SceneSession& session, const QVariantMap& options);
    void sceneDidDisconnect();
    void sceneDidBecomeActive();
    void sceneWillResignActive();
    void sceneWillEnterForeground();
    void sceneDidEnterBackground();

    ui::Window* window() const { return window_.get(); }
    void setWindow(std::unique_ptr<ui::Window> window) { window_ = std::move(window); }

private:
    std::unique_ptr<ui::Window> window_;
};

}
