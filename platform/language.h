#pragma once

#include <optional>
#include <string>

namespace wayfarer::platform {

// The user's language code from the environment: the first of LC_ALL, LC_MESSAGES
// and LANG that is set and not empty, up to its first '_', '.' or '@'. The C and
// POSIX locales, and an empty code, have none.
std::optional<std::string> userLanguageCode();

// The same rule applied to one locale name, for callers that have the name already.
std::optional<std::string> languageCodeOfLocale(const std::string& localeName);

}
