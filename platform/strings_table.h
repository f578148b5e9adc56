#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace wayfarer::platform {

// A flat JSON object of strings, as the bundled tables are.
class StringsTable {
public:
    static std::optional<StringsTable> fromJson(std::string_view json);

    std::optional<std::string> text(std::string_view key) const;
    std::size_t size() const { return entries_.size(); }

private:
    std::unordered_map<std::string, std::string> entries_;
};

// From the bundled `tableName` ("Localizable", "Errors") for userLanguageCode(), falling
// back to English when that language has no table.
std::optional<std::string> bundledText(std::string_view tableName, std::string_view key);

std::optional<std::string> bundledText(std::string_view tableName, std::string_view key,
                                       const std::optional<std::string>& languageCode);

}
