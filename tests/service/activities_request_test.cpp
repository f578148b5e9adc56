#include "service/activities_request.h"
#include "service/price_format.h"

#include <gtest/gtest.h>

namespace wayfarer::service {
namespace {

// What readActivitiesQuery makes of the items and the two headers, in one line.
std::string reading(const QueryItems& items, std::string_view currency, std::string_view language) {
    const auto result = readActivitiesQuery(items, currency, language);
    if (!result)
        return "400 " + result.error().detail;
    const auto& query = *result;
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

TEST(PriceFormat, WritesEuroPricesInTheCurrencyAsTheLanguageDoes) {
    const struct { std::int64_t euroCents; Currency currency; const char* language; const char* expected; } cases[] = {
        {4500, Currency::USD, "en", "$48.60"},
        {4500, Currency::EUR, "en", "€45.00"},
        {104550, Currency::USD, "en", "$1,129.14"},
        {7, Currency::USD, "en", "$0.08"},  // 7.56 cents, to the nearest cent
        {6, Currency::USD, "en", "$0.06"},  // 6.48 cents
        {4500, Currency::EUR, "it", "45,00\u00A0€"},
        {4500, Currency::USD, "it", "48,60\u00A0$"},
        {123456789, Currency::EUR, "de", "1.234.567,89\u00A0€"},
        {4599, Currency::EUR, "es", "45,99\u00A0€"},
        {123450, Currency::EUR, "fr", "1\u202F234,50\u202F€"},
        {4500, Currency::EUR, "ja", "€45.00"},
    };
    for (const auto& c : cases) {
        const std::int64_t cents = convertEuroCents(c.euroCents, c.currency);
        EXPECT_EQ(formatPrice(cents, c.currency, c.language), c.expected) << c.euroCents << " " << c.language;
    }
}

TEST(PriceFormat, ReadsTheLanguageOfTheHeader) {
    const std::pair<const char*, const char*> cases[] = {
        {"it", "it"}, {"it-IT,it;q=0.9,en;q=0.8", "it"}, {"FR-ca", "fr"}, {"en-US", "en"},
        {"", "en"}, {"*", "en"}, {" de", "de"}};
    for (const auto& [header, language] : cases)
        EXPECT_EQ(priceLanguage(header), language) << header;
}

}
}
