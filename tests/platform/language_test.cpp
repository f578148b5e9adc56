#include "platform/language.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace wayfarer::platform {
namespace {

TEST(LanguageCode, TakesThePartBeforeTheTerritoryEncodingOrModifier) {
    const struct {
        const char* locale;
        std::optional<std::string> code;
    } cases[] = {
        {"it_IT.UTF-8", "it"}, {"de_DE", "de"},    {"fr.UTF-8", "fr"}, {"es@euro", "es"},
        {"pt", "pt"},          {"C", std::nullopt}, {"POSIX", std::nullopt},
        {"C.UTF-8", std::nullopt}, {"_US", std::nullopt},
    };
    for (const auto& row : cases)
        EXPECT_EQ(languageCodeOfLocale(row.locale), row.code) << row.locale;
}

class UserLanguage : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override {
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
            unsetenv(name);
    }
};

TEST_F(UserLanguage, TheFirstNonEmptyVariableWins) {
    EXPECT_EQ(userLanguageCode(), std::nullopt);
    setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(userLanguageCode(), "de");
    setenv("LC_MESSAGES", "fr_FR", 1);
    EXPECT_EQ(userLanguageCode(), "fr");
    setenv("LC_ALL", "", 1);
    EXPECT_EQ(userLanguageCode(), "fr") << "an empty LC_ALL counts as unset";
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(userLanguageCode(), std::nullopt) << "a set C locale has no language, whatever follows";
}

}
}
