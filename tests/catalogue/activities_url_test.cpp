#include "catalogue/activities_url.h"

#include <gtest/gtest.h>

namespace wayfarer {
namespace {

const std::string base = "https://catalogue.test";
const std::string query = "&text_operator=AND&extend_other_languages=YES&extend_content_fields=AUTO"
                          "&fuzziness_level=AUTO&zero_terms_query=NONE&sort_by=relevance&limit=10&offset=";

// The text goes escaped into the first of nine items, the page into the last.
TEST(ActivitiesURL, WritesTheNineItemsInOrderForLettersDigitsAndSpacesOnly) {
    const auto address = [](const std::string& text, const std::string& page) {
        return base + "/api/v3/activities?text=" + text + query + page;
    };
    EXPECT_EQ(activitiesURL(base, "rome", 0)->string(), address("rome", "0"));
    EXPECT_EQ(activitiesURL(base + "/", "rome", 12)->string(), address("rome", "12"));
    EXPECT_EQ(activitiesURL(base, "st peter", 2)->string(), address("st%20peter", "2"));
    EXPECT_EQ(activitiesURL(base, "   ", 0)->string(), address("%20%20%20", "0"));
    EXPECT_EQ(activitiesURL(base, "Rome2024", 0)->string(), address("Rome2024", "0"));
    EXPECT_EQ(activitiesURL(base, "abc%20", 0)->string(), address("abc%20", "0")) << "an escape the user typed goes as it is";
    for (const char* text : {"", "ab", "a", "rome!", "!rome", "st. peter", "o'hare", "notre-dame", "caf\xC3\xA9",
                             "\xC3\xA9t\xC3\xA9", "rome\n", "rome\t", "a+b", "a&b=c", "rome#top",
                             "\xF0\x9F\x8F\x9B\xEF\xB8\x8F", "a/b", "50%", "%zzq"})
        EXPECT_EQ(activitiesURL(base, text, 0), std::nullopt) << '"' << text << '"';
}

}
}
