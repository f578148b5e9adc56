#pragma once

#include "platform/localized.h"

#include <QString>

#include <optional>
#include <string>

namespace wayfarer {

// The localized text of `key` from the strings table "Localizable", as the screens show it.
inline QString localizedText(const char* key) { return QString::fromStdString(localized(key)); }

// The same with `argument` in place of the text's "%1"; a missing key shows as "**key**".
inline QString localizedText(const char* key, const QString& argument) {
    const QString text = localizedText(key);
    return text.contains(QLatin1String("%1")) ? text.arg(argument) : text;
}

// A text of a record as a label shows it: absent stays absent.
inline std::optional<QString> recordText(const std::optional<std::string>& value) {
    if (!value)
        return std::nullopt;
    return QString::fromStdString(*value);
}

}
