#pragma once

#include <QString>
#include <QVariantMap>

namespace wayfarer::shell {

// The role of a session whose scene is the application's main window.
inline const QString windowApplicationRole = QStringLiteral("windowApplication");

// One connection of the application's interface: a window, in our case the only one.
struct SceneSession {
    QString role = windowApplicationRole;
};

// What the application asks the platform to use for a new scene session.
struct SceneConfiguration {
    QString name;
    QString sessionRole;
    friend bool operator==(const SceneConfiguration&, const SceneConfiguration&) = default;
};

}
