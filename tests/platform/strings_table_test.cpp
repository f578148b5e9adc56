#include "platform/error.h"
#include "platform/json.h"
#include "platform/language.h"
#include "platform/localized.h"
#include "platform/strings_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
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

// Every key of the English source table is in every language's bundled table, translated.
TEST(StringsTable, EveryLanguageHasEveryKeyAndAnUnknownOneFallsBackToEnglish) {
    std::stringstream english;
    english << std::ifstream(WAYFARER_SOURCE_DIR "/resources/Localizable/en.json").rdbuf();
    std::vector<std::string> keys;
    ASSERT_TRUE(readJson(english.str(), [&](JsonValue root) {
        root.forEachMember([&](std::string_view key, JsonValue) { keys.emplace_back(key); });
    }).ok());
    ASSERT_GE(keys.size(), 20u);
    for (const char* language : {"en", "it", "de", "fr", "es"}) {
        for (const auto& key : keys) {
            const auto text = bundledText("Localizable", key, language);
            ASSERT_TRUE(text) << language << " lacks " << key;
            EXPECT_FALSE(text->empty());
            if (std::string_view(language) != "en") {
                EXPECT_NE(text, bundledText("Localizable", key, "en")) << language << " " << key;
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
    const std::pair<ErrorCode, const char*> cases[] = {
        {ErrorCode::timedOut, "The request timed out."}, {ErrorCode::cancelled, "cancelled"},
        {ErrorCode::cannotConnectToHost, "Could not connect to the server."},
        {ErrorCode::cannotFindHost, "A server with the specified hostname could not be found."},
        {ErrorCode::notConnectedToInternet, "The Internet connection appears to be offline."},
        {ErrorCode::secureConnectionFailed,
         "An SSL error has occurred and a secure connection to the server cannot be made."},
        {ErrorCode::networkConnectionLost, "The network connection was lost."},
        {ErrorCode::cannotParse, "The data couldn't be read because it isn't in the correct format."},
        {ErrorCode::tooLarge, "The data couldn't be read because it is too large."},
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ((Error{code, {}}.localizedDescription()), text);
}

}
}
