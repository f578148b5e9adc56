#include "application_settings.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace wayfarer::shell {

namespace {

platform::Error invalid(const QString& what) {
    return ui::loadError(QStringLiteral("application settings: %1").arg(what));
}

}

platform::Result<ApplicationSettings> ApplicationSettings::parse(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return invalid(QStringLiteral("not JSON (%1 at offset %2)").arg(error.errorString()).arg(error.offset));
    if (!document.isObject())
        return invalid(QStringLiteral("not a JSON object"));
    const QJsonObject root = document.object();

    ApplicationSettings settings;
    settings.applicationName = root.value(u"applicationName").toString();
    settings.mainInterfaceFile = root.value(u"mainInterfaceFile").toString();
    if (settings.mainInterfaceFile.isEmpty())
        return invalid(QStringLiteral("\"mainInterfaceFile\" must name an interface file"));

    const QJsonObject roles = root.value(u"sceneManifest").toObject().value(u"configurations").toObject();
    for (auto role = roles.begin(); role != roles.end(); ++role) {
        for (const QJsonValue& value : role.value().toArray()) {
            const QJsonObject entry = value.toObject();
            SceneManifestEntry configuration{entry.value(u"name").toString(), role.key(),
                                             entry.value(u"delegateClass").toString(),
                                             entry.value(u"interfaceFile").toString()};
            if (configuration.name.isEmpty() || configuration.delegateClass.isEmpty() ||
                configuration.interfaceFile.isEmpty())
                return invalid(QStringLiteral("a scene configuration of role \"%1\" lacks its name, delegate class "
                                              "or interface file")
                                   .arg(role.key()));
            settings.sceneConfigurations.push_back(std::move(configuration));
        }
    }
    return settings;
}

platform::Result<ApplicationSettings> ApplicationSettings::load() {
    QFile file(QStringLiteral(":/Info.json"));
    if (!file.open(QIODevice::ReadOnly))
        return invalid(QStringLiteral("the file Info.json is not among the application's resources"));
    return parse(file.readAll());
}

const SceneManifestEntry* ApplicationSettings::sceneConfiguration(const QString& name, const QString& role) const {
    for (const auto& configuration : sceneConfigurations)
        if (configuration.name == name && configuration.sessionRole == role)
            return &configuration;
    return nullptr;
}

}
