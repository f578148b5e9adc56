#pragma once

#include <QString>

#include <optional>
#include <string>

namespace wayfarer {

// A text of a record as a label shows it: absent stays absent.
inline std::optional<QString> recordText(const std::optional<std::string>& value) {
    if (!value)
        return std::nullopt;
    return QString::fromStdString(*value);
}

}
