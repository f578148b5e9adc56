#pragma once

#include "ui/nib.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace wayfarer::shell {

// One scene configuration of the settings file's scene manifest.
struct SceneManifestEntry {
    QString name;
    QString sessionRole;
    QString delegateClass;
    QString interfaceFile;
};

// The application's settings file (":/Info.json"): its name, the main interface file and
// the scene manifest.
struct ApplicationSettings {
    QString applicationName;
    QString mainInterfaceFile;
    std::vector<SceneManifestEntry> sceneConfigurations;

    static platform::Result<ApplicationSettings> parse(const QByteArray& json);
    static platform::Result<ApplicationSettings> load();

    const SceneManifestEntry* sceneConfiguration(const QString& name, const QString& role) const;
};

}
