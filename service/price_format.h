#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wayfarer::service {

enum class Currency { USD, EUR };

// Exactly "USD" or "EUR", case-sensitive.
std::optional<Currency> currencyFromCode(std::string_view code);
std::string_view currencyCode(Currency currency);

// At the catalogue's fixed EUR/USD rate.
std::int64_t convertEuroCents(std::int64_t euroCents, Currency currency);

// Primary subtag of the first Accept-Language range, lower-cased ("it-IT,it;q=0.9" ->
// "it"); "en" when empty.
std::string priceLanguage(std::string_view acceptLanguage);

// "$1,045.50"/"€45.00" in en, "45,00 €" in it, es and de, "45,00 €" with U+202F in fr;
// other languages as en.
std::string formatPrice(std::int64_t cents, Currency currency, std::string_view language);

}
