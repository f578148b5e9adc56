#include "service/price_format.h"

#include <gtest/gtest.h>

namespace wayfarer::service {
namespace {

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
