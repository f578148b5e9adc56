#pragma once

#include <optional>
#include <string>

namespace wayfarer::platform {

// The first non-empty of $LC_ALL, $LC_MESSAGES, $LANG, cut at '_', '.' or '@';
// nullopt for C, POSIX or empty.
std::optional<std::string> userLanguageCode();

std::optional<std::string> languageCodeOfLocale(const std::string& localeName);

}
