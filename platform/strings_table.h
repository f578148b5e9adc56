#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace wayfarer::platform {

// A key-to-text table: a flat JSON object whose values are strings.
class StringsTable {
public:
    // The table in `json`, or nothing when it is not a flat object of strings.
    static std::optional<StringsTable> fromJson(std::string_view json);

    std::optional<std::string> text(std::string_view key) const;
    std::size_t size() const { return entries_.size(); }

private:
    std::unordered_map<std::string, std::string> entries_;
};

// The text of `key` in the bundled table `tableName` ("Localizable", "Errors") for the
// user's language when that table exists, else in English; nothing when the key is missing.
std::optional<std::string> bundledText(std::string_view tableName, std::string_view key);

// The same for a given language code, for tests and for callers that know the language.
std::optional<std::string> bundledText(std::string_view tableName, std::string_view key,
                                       const std::optional<std::string>& languageCode);

}
