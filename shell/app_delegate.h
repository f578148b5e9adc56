#pragma once

#include "scene_configuration.h"
#include "ui/window.h"

#include <memory>
#include <vector>

namespace wayfarer::shell {

// The application's delegate. Before platform version 13 the platform keeps the window
// here; from 13 it asks here which configuration a new scene session gets.
class AppDelegate {
public:
    bool didFinishLaunchingWithOptions(const QVariantMap& launchOptions);
    SceneConfiguration configurationForConnectingSceneSession(const SceneSession& session,
                                                              const QVariantMap& options) const;
    void didDiscardSceneSessions(const std::vector<SceneSession>& sessions);

    ui::Window* window() const { return window_.get(); }
    void setWindow(std::unique_ptr<ui::Window> window) { window_ = std::move(window); }

private:
    std::unique_ptr<ui::Window> window_;
};

}
