#include "catalogue/activities_url.h"

#include <gtest/gtest.h>

namespace wayfarer {
namespace {

const std::string base = "https://catalogue.test";
const std::string query = "&text_operator=AND&extend_other_languages=YES&extend_content_fields=AUTO"
                          "&fuzziness_level=AUTO&zero_terms_query=NONE&sort_by=relevance&limit=10&offset=";

TEST(ActivitiesURL, WritesThePathAndTheNineItemsInOrder) {
    EXPECT_EQ(activitiesURL(base, "rome", 0)->string(), base + "/api/v3/activities?text=rome" + query + "0");
    EXPECT_EQ(activitiesURL(base, "rome", 2)->string(), base + "/api/v3/activities?text=rome" + query + "2");
    EXPECT_EQ(activitiesURL(base + "/", "rome", 12)->string(), base + "/api/v3/activities?text=rome" + query + "12");
    EXPECT_EQ(activitiesURL(base, "st peter", 0)->string(), base + "/api/v3/activities?text=st%20peter" + query + "0");
    EXPECT_EQ(activitiesURL(base, "   ", 0)->string(), base + "/api/v3/activities?text=%20%20%20" + query + "0");
    EXPECT_EQ(activitiesURL(base, "ab ", 0)->string(), base + "/api/v3/activities?text=ab%20" + query + "0");
}

TEST(ActivitiesURL, RefusesShortTextsAndCharactersOutsideLettersDigitsAndSpaces) {
    const char* refused[] = {
        "", "ab", "a", "rome!", "!rome", "st. peter", "o'hare", "notre-dame", "caf\xC3\xA9", "\xC3\xA9t\xC3\xA9",
        "rome\n", "rome\t", "a+b", "a&b=c", "rome#top", "\xF0\x9F\x8F\x9B\xEF\xB8\x8F", "a/b", "50%", "%zzq",
    };
    for (const char* text : refused)
        EXPECT_EQ(activitiesURL(base, text, 0), std::nullopt) << '"' << text << '"';
    EXPECT_TRUE(activitiesURL(base, "abc%20", 0)) << "a well-formed escape the user typed is sent as it is";
    EXPECT_TRUE(activitiesURL(base, "Rome2024", 0));
}

}
}
