#include "language.h"

#include <cstdlib>

namespace wayfarer::platform {

std::optional<std::string> languageCodeOfLocale(const std::string& localeName) {
    const std::string code = localeName.substr(0, localeName.find_first_of("_.@"));
    if (code.empty() || code == "C" || code == "POSIX")
        return std::nullopt;
    return code;
}

std::optional<std::string> userLanguageCode() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return languageCodeOfLocale(value);
    }
    return std::nullopt;
}

}
