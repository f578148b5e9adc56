#include "service/activities_request.h"

#include <gtest/gtest.h>

namespace wayfarer::service {
namespace {

TEST(ActivitiesRequest, RefusesValuesOutOfRange) {
    const struct { QueryItems items; const char* currency; const char* fragment; } cases[] = {
        {{{"limit", "0"}}, "", "limit"},        {{{"limit", "101"}}, "", "limit"},
        {{{"limit", "ten"}}, "", "limit"},      {{{"limit", ""}}, "", "limit"},
        {{{"limit", "+5"}}, "", "limit"},       {{{"offset", "-1"}}, "", "offset"},
        {{{"offset", "1.5"}}, "", "offset"},    {{{"offset", "0x10"}}, "", "offset"},
        {{{"offset", "99999999999999999999999"}}, "", "offset"},
        {{{"text_operator", "XOR"}}, "", "text_operator"},
        {{{"fuzziness_level", "3"}}, "", "fuzziness_level"},
        {{{"zero_terms_query", "SOME"}}, "", "zero_terms_query"},
        {{{"sort_by", "price"}}, "", "sort_by"},
        {{}, "GBP", "x-lorvanta-currency"},     {{}, "usd", "x-lorvanta-currency"},
    };
    for (const auto& c : cases) {
        const auto result = readActivitiesQuery(c.items, c.currency, "en");
        const auto* refused = std::get_if<RequestError>(&result);
        ASSERT_NE(refused, nullptr) << c.fragment;
        EXPECT_EQ(refused->status, 400);
        EXPECT_NE(refused->message.find(c.fragment), std::string::npos) << refused->message;
    }
}

TEST(ActivitiesRequest, ReadsTheClientsItemsAndFillsInWhatIsMissing) {
    const QueryItems full{{"text", "st peter"},          {"text_operator", "AND"},
                          {"extend_other_languages", "YES"}, {"extend_content_fields", "AUTO"},
                          {"fuzziness_level", "AUTO"},     {"zero_terms_query", "NONE"},
                          {"sort_by", "relevance"},        {"limit", "10"},
                          {"offset", "20"}};
    const struct {
        QueryItems items;
        const char* currency;
        const char* language;
        ActivitiesQuery expected;
    } cases[] = {
        {full, "EUR", "it-IT", {"st peter", {}, 20, 10, Currency::EUR, "it"}},
        {{{"limit", "100"}, {"fuzziness_level", "1"}}, "", "", {"", {.fixedFuzziness = 1}, 0, 100, Currency::USD, "en"}},
    };
    for (const auto& c : cases) {
        const auto result = readActivitiesQuery(c.items, c.currency, c.language);
        const auto* query = std::get_if<ActivitiesQuery>(&result);
        ASSERT_NE(query, nullptr) << c.language;
        EXPECT_EQ(query->text, c.expected.text);
        EXPECT_EQ(query->limit, c.expected.limit);
        EXPECT_EQ(query->offset, c.expected.offset);
        EXPECT_TRUE(query->options.everyTerm);
        EXPECT_FALSE(query->options.emptyTextMatchesAll);
        EXPECT_EQ(query->options.fixedFuzziness, c.expected.options.fixedFuzziness);
        EXPECT_EQ(query->currency, c.expected.currency);
        EXPECT_EQ(query->language, c.expected.language);
    }
}

}
}
