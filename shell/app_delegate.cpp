#include "app_delegate.h"

namespace wayfarer::shell {

bool AppDelegate::didFinishLaunchingWithOptions(const QVariantMap&) { return true; }

SceneConfiguration AppDelegate::configurationForConnectingSceneSession(const SceneSession& session,
                                                                       const QVariantMap&) const {
    return SceneConfiguration{QStringLiteral("Default Configuration"), session.role};
}

void AppDelegate::didDiscardSceneSessions(const std::vector<SceneSession>&) {}

}
