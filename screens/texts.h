#pragma once

#include "platform/localized.h"

#include <QString>

#include <optional>
#include <string>

namespace wayfarer {

// The localized text of `key` from the strings table "Localizable", as the screens show it.
inline QString localizedText(const char* key) { return QString::fromStdString(localized(key)); }

// A text of a record as a label shows it: absent stays absent.
inline std::optional<QString> recordText(const std::optional<std::string>& value) {
    if (!value)
        return std::nullopt;
    return QString::fromStdString(*value);
}

}
