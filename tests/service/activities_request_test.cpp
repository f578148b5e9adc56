#include "service/activities_request.h"

#include <gtest/gtest.h>

namespace wayfarer::service {
namespace {

struct RefusalCase {
    QueryItems items;
    const char* currency;
    const char* fragment;  // of the message
};

TEST(ActivitiesRequest, RefusesValuesOutOfRange) {
    const RefusalCase cases[] = {
        {{{"limit", "0"}}, "", "limit"},
        {{{"limit", "101"}}, "", "limit"},
        {{{"limit", "ten"}}, "", "limit"},
        {{{"limit", ""}}, "", "limit"},
        {{{"limit", "+5"}}, "", "limit"},
        {{{"offset", "-1"}}, "", "offset"},
        {{{"offset", "1.5"}}, "", "offset"},
        {{{"offset", "0x10"}}, "", "offset"},
        {{{"offset", "99999999999999999999999"}}, "", "offset"},
        {{{"text_operator", "XOR"}}, "", "text_operator"},
        {{{"fuzziness_level", "3"}}, "", "fuzziness_level"},
        {{{"zero_terms_query", "SOME"}}, "", "zero_terms_query"},
        {{{"sort_by", "price"}}, "", "sort_by"},
        {{}, "GBP", "x-lorvanta-currency"},
        {{}, "usd", "x-lorvanta-currency"},
    };
    for (const auto& c : cases) {
        const auto result = readActivitiesQuery(c.items, c.currency, "en");
        const auto* refused = std::get_if<RequestError>(&result);
        ASSERT_NE(refused, nullptr) << c.fragment;
        EXPECT_EQ(refused->status, 400);
        EXPECT_NE(refused->message.find(c.fragment), std::string::npos) << refused->message;
    }
}

TEST(ActivitiesRequest, ReadsTheItemsOfTheClientsRequest) {
    const QueryItems items{{"text", "st peter"},          {"text_operator", "AND"},
                           {"extend_other_languages", "YES"}, {"extend_content_fields", "AUTO"},
                           {"fuzziness_level", "AUTO"},     {"zero_terms_query", "NONE"},
                           {"sort_by", "relevance"},        {"limit", "10"},
                           {"offset", "20"}};
    const auto result = readActivitiesQuery(items, "EUR", "it-IT");
    const auto* query = std::get_if<ActivitiesQuery>(&result);
    ASSERT_NE(query, nullptr);
    EXPECT_EQ(query->text, "st peter");
    EXPECT_EQ(query->limit, 10u);
    EXPECT_EQ(query->offset, 20u);
    EXPECT_TRUE(query->options.everyTerm);
    EXPECT_FALSE(query->options.emptyTextMatchesAll);
    EXPECT_EQ(query->options.fixedFuzziness, std::nullopt);
    EXPECT_EQ(query->currency, Currency::EUR);
    EXPECT_EQ(query->language, "it");
}

TEST(ActivitiesRequest, FillsInWhatIsMissing) {
    const auto result = readActivitiesQuery({{"limit", "100"}, {"fuzziness_level", "1"}}, "", "");
    const auto* query = std::get_if<ActivitiesQuery>(&result);
    ASSERT_NE(query, nullptr);
    EXPECT_EQ(query->text, "");
    EXPECT_EQ(query->limit, 100u);
    EXPECT_EQ(query->offset, 0u);
    EXPECT_EQ(query->options.fixedFuzziness, 1);
    EXPECT_EQ(query->currency, Currency::USD);
    EXPECT_EQ(query->language, "en");
}

}
}
