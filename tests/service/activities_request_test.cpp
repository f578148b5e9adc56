#include "service/activities_request.h"

#include <gtest/gtest.h>

namespace wayfarer::service {
namespace {

// What readActivitiesQuery makes of the items and the two headers, in one line.
std::string reading(const QueryItems& items, std::string_view currency, std::string_view language) {
    const auto result = readActivitiesQuery(items, currency, language);
    if (const auto* refused = std::get_if<RequestError>(&result))
        return std::to_string(refused->status) + " " + refused->message;
    const auto& query = std::get<ActivitiesQuery>(result);
    const auto& options = query.options;
    return "'" + query.text + "' page " + std::to_string(query.offset) + " of " + std::to_string(query.limit) +
           (options.everyTerm ? " AND " : " OR ") + (options.emptyTextMatchesAll ? "ALL " : "NONE ") +
           (options.fixedFuzziness ? std::to_string(*options.fixedFuzziness) : "AUTO") + " " +
           std::string(currencyCode(query.currency)) + " " + query.language;
}

TEST(ActivitiesRequest, ReadsTheClientsItemsFillsInWhatIsMissingAndRefusesValuesOutOfRange) {
    const QueryItems full{{"text", "st peter"}, {"text_operator", "AND"}, {"extend_other_languages", "YES"},
                          {"extend_content_fields", "AUTO"}, {"fuzziness_level", "AUTO"}, {"zero_terms_query", "NONE"},
                          {"sort_by", "relevance"}, {"limit", "10"}, {"offset", "20"}};
    const QueryItems others{
        {"limit", "100"}, {"fuzziness_level", "1"}, {"text_operator", "OR"}, {"zero_terms_query", "ALL"}};
    const struct { QueryItems items; const char* currency; const char* language; std::string expected; } cases[] = {
        {full, "EUR", "it-IT", "'st peter' page 20 of 10 AND NONE AUTO EUR it"},
        {{}, "", "", "'' page 0 of 10 AND NONE AUTO USD en"},
        {others, "USD", "fr", "'' page 0 of 100 OR ALL 1 USD fr"},
        {{{"limit", "0"}}, "", "", "400 limit"},         {{{"limit", "101"}}, "", "", "400 limit"},
        {{{"limit", "ten"}}, "", "", "400 limit"},       {{{"limit", ""}}, "", "", "400 limit"},
        {{{"limit", "+5"}}, "", "", "400 limit"},        {{{"offset", "-1"}}, "", "", "400 offset"},
        {{{"offset", "1.5"}}, "", "", "400 offset"},     {{{"offset", "0x10"}}, "", "", "400 offset"},
        {{{"offset", "99999999999999999999999"}}, "", "", "400 offset"},
        {{{"text_operator", "XOR"}}, "", "", "400 text_operator"},
        {{{"fuzziness_level", "3"}}, "", "", "400 fuzziness_level"},
        {{{"zero_terms_query", "SOME"}}, "", "", "400 zero_terms_query"},
        {{{"sort_by", "price"}}, "", "", "400 sort_by"},
        {{}, "GBP", "", "400 x-lorvanta-currency"},      {{}, "usd", "", "400 x-lorvanta-currency"},
    };
    for (const auto& row : cases) {
        const std::string read = reading(row.items, row.currency, row.language);
        EXPECT_TRUE(read.starts_with(row.expected)) << read;
    }
}

}
}
