#include "scene_delegate.h"

namespace wayfarer::shell {

void SceneDelegate::willConnectToSession(const SceneSession&, const QVariantMap&) {}
void SceneDelegate::sceneDidDisconnect() {}
void SceneDelegate::sceneDidBecomeActive() {}
void SceneDelegate::sceneWillResignActive() {}
void SceneDelegate::sceneWillEnterForeground() {}
void SceneDelegate::sceneDidEnterBackground() {}

}
