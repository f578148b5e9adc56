#include "strings_table.h"

#include "json.h"
#include "language.h"
#include "localized.h"

#include <wayfarer_strings_tables.h>

#include <map>
#include <mutex>

namespace wayfarer::platform {

std::optional<StringsTable> StringsTable::fromJson(std::string_view json) {
    StringsTable table;
    bool flat = true;
    const auto read = readJson(json, [&](JsonValue root) {
        if (!root.isObject()) {
            flat = false;
            return;
        }
        root.forEachMember([&](std::string_view key, JsonValue value) {
            const auto text = value.string();
            if (!text)
                flat = false;
            else
                table.entries_.try_emplace(std::string(key), *text);
        });
    });
    if (!read || !flat)
        return std::nullopt;
    return table;
}

std::optional<std::string> StringsTable::text(std::string_view key) const {
    const auto found = entries_.find(std::string(key));
    if (found == entries_.end())
        return std::nullopt;
    return found->second;
}

namespace {

// Cached per (table, language); userLanguageCode() is re-read on every lookup.
const StringsTable* loadBundledTable(std::string_view tableName, const std::string& language) {
    static std::mutex mutex;
    static std::map<std::string, std::optional<StringsTable>, std::less<>> tables;
    const std::string path = std::string(tableName) + "/" + language + ".json";
    std::lock_guard lock(mutex);
    auto found = tables.find(path);
    if (found == tables.end()) {
        std::optional<StringsTable> table;
        if (const auto bytes = embedded::strings::find(path))
            table = StringsTable::fromJson(*bytes);
        found = tables.emplace(path, std::move(table)).first;
    }
    return found->second ? &*found->second : nullptr;
}

}

std::optional<std::string> bundledText(std::string_view tableName, std::string_view key,
                                       const std::optional<std::string>& languageCode) {
    const StringsTable* table = languageCode ? loadBundledTable(tableName, *languageCode) : nullptr;
    if (table == nullptr)
        table = loadBundledTable(tableName, "en");
    return table != nullptr ? table->text(key) : std::nullopt;
}

std::optional<std::string> bundledText(std::string_view tableName, std::string_view key) {
    return bundledText(tableName, key, userLanguageCode());
}

}

namespace wayfarer {

std::string localized(std::string_view key) {
    if (auto text = platform::bundledText("Localizable", key))
        return std::move(*text);
    return "**" + std::string(key) + "**";
}

}
