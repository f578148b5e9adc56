#include "platform/error.h"
#include "platform/json.h"
#include "platform/language.h"
#include "platform/localized.h"
#include "platform/strings_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace wayfarer::platform {
namespace {

// Starts and ends every test with none of the locale variables set.
class UserLanguage : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override {
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
            unsetenv(name);
    }
};
using Localized = UserLanguage;

TEST_F(UserLanguage, TheFirstNonEmptyVariableWinsUpToItsTerritoryEncodingOrModifier) {
    EXPECT_EQ(userLanguageCode(), std::nullopt);
    setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(userLanguageCode(), "de");
    setenv("LC_MESSAGES", "fr_FR", 1);
    EXPECT_EQ(userLanguageCode(), "fr");
    setenv("LC_ALL", "", 1);
    EXPECT_EQ(userLanguageCode(), "fr") << "an empty LC_ALL counts as unset";
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"it_IT.UTF-8", "it"}, {"de_DE", "de"},         {"fr.UTF-8", "fr"},        {"es@euro", "es"},      {"pt", "pt"},
        {"C", std::nullopt},   {"POSIX", std::nullopt}, {"C.UTF-8", std::nullopt}, {"_US", std::nullopt},
    };
    for (const auto& [locale, code] : cases) {
        setenv("LC_ALL", locale, 1);
        EXPECT_EQ(userLanguageCode(), code) << locale;
    }
}

TEST(StringsTable, ReadsOnlyFlatObjectsOfStrings) {
    const auto table = StringsTable::fromJson(R"({"a": "x", "b": "y \u00e8"})");
    ASSERT_TRUE(table);
    EXPECT_EQ(table->text("b"), "y \xC3\xA8");
    EXPECT_EQ(table->text("c"), std::nullopt);
    for (const char* bad : {R"(["a"])", R"({"a": 1})", R"({"a": {"b": "c"}})", "", R"({"a": "x")"})
        EXPECT_FALSE(StringsTable::fromJson(bad)) << bad;
}

// Every key of the English source tables is in every language's bundled table, translated.
TEST(StringsTable, EveryLanguageHasEveryKeyAndAnUnknownOneFallsBackToEnglish) {
    for (const char* table : {"Localizable", "Errors"}) {
        std::stringstream english;
        english << std::ifstream(WAYFARER_SOURCE_DIR "/resources/" + std::string(table) + "/en.json").rdbuf();
        std::vector<std::string> keys;
        ASSERT_TRUE(readJson(english.str(), [&](JsonValue root) {
            root.forEachMember([&](std::string_view key, JsonValue) { keys.emplace_back(key); });
        }).ok());
        ASSERT_GE(keys.size(), 14u) << table;
        for (const char* language : {"en", "it", "de", "fr", "es"}) {
            for (const auto& key : keys) {
                const auto text = bundledText(table, key, language);
                ASSERT_TRUE(text) << language << " lacks " << table << "/" << key;
                EXPECT_FALSE(text->empty());
                if (std::string_view(language) != "en") {
                    EXPECT_NE(text, bundledText(table, key, "en")) << language << " " << key;
                }
            }
        }
    }
    EXPECT_EQ(bundledText("Localizable", "back", "ja"), "Back");
    EXPECT_EQ(bundledText("Localizable", "back", std::nullopt), "Back");
    EXPECT_EQ(bundledText("Localizable", "back", "it"), "Indietro");
}

TEST_F(Localized, TextsAndErrorsInTheUserLanguage) {
    setenv("LC_ALL", "de_AT.UTF-8", 1);
    EXPECT_EQ(localized("back"), "Zur\xC3\xBC" "ck");
    EXPECT_EQ(localized("no_such_key"), "**no_such_key**");
    EXPECT_EQ(localized(""), "****");
    setenv("LC_ALL", "it_IT", 1);
    EXPECT_EQ((Error{ErrorCode::timedOut, {}}.localizedDescription()), "Richiesta scaduta.");
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(localized("back"), "Back");
    EXPECT_EQ((Error{ErrorCode::timedOut, {}}.localizedDescription()), "The request timed out.");
    // A code whose key the table lacks falls back to the text of `unknown`.
    std::set<std::string> texts;
    for (int code = 0; code <= static_cast<int>(ErrorCode::unknown); ++code)
        texts.insert(Error{static_cast<ErrorCode>(code), {}}.localizedDescription());
    EXPECT_EQ(texts.size(), static_cast<std::size_t>(ErrorCode::unknown) + 1);
}

}
}
