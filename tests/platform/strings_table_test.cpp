#include "platform/error.h"
#include "platform/localized.h"
#include "platform/strings_table.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace wayfarer::platform {
namespace {

const char* const localizableKeys[] = {
    "welcome", "scope_of_work", "search_placeholder", "search_results_placeholder", "error_title",
    "error_no_text", "error_message", "error_no_content", "back", "from",
    // What a screen reader says where the screens show no text of their own.
    "accessibility_search_field", "accessibility_clear_search", "accessibility_close_search", "accessibility_like",
    "accessibility_unlike", "accessibility_open_details", "accessibility_search_hint", "accessibility_back_hint",
    "accessibility_price", "accessibility_days",
};
const char* const languages[] = {"en", "it", "de", "fr", "es"};

TEST(StringsTable, ReadsOnlyFlatObjectsOfStrings) {
    const auto table = StringsTable::fromJson(R"({"a": "x", "b": "y \u00e8"})");
    ASSERT_TRUE(table);
    EXPECT_EQ(table->text("b"), "y \xC3\xA8");
    EXPECT_EQ(table->text("c"), std::nullopt);
    for (const char* bad : {R"(["a"])", R"({"a": 1})", R"({"a": {"b": "c"}})", "", R"({"a": "x")"})
        EXPECT_FALSE(StringsTable::fromJson(bad)) << bad;
}

TEST(StringsTable, EveryLanguageHasEveryKeyAndAnUnknownOneFallsBackToEnglish) {
    for (const char* language : languages) {
        for (const char* key : localizableKeys) {
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

TEST(Localized, UsesTheUserLanguageAndMarksMissingKeys) {
    setenv("LC_ALL", "de_AT.UTF-8", 1);
    EXPECT_EQ(localized("back"), "Zur\xC3\xBC" "ck");
    EXPECT_EQ(localized("no_such_key"), "**no_such_key**");
    EXPECT_EQ(localized(""), "****");
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(localized("back"), "Back");
    unsetenv("LC_ALL");
}

TEST(ErrorDescriptions, EnglishAsThePlatformWordsThem) {
    setenv("LC_ALL", "en_GB", 1);
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
    setenv("LC_ALL", "it_IT", 1);
    EXPECT_EQ((Error{ErrorCode::timedOut, {}}.localizedDescription()), "Richiesta scaduta.");
    unsetenv("LC_ALL");
}

}
}
