#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wayfarer::service {

enum class Currency { USD, EUR };

// The currency of a header value: exactly "USD" or "EUR".
std::optional<Currency> currencyFromCode(std::string_view code);
std::string_view currencyCode(Currency currency);

// A price kept in euro cents, in the given currency's cents, at the catalogue's fixed rate.
std::int64_t convertEuroCents(std::int64_t euroCents, Currency currency);

// The language whose number format an accept-language value asks for: the primary subtag
// of its first range, lower-cased ("it-IT,it;q=0.9" gives "it"); English when empty.
std::string priceLanguage(std::string_view acceptLanguage);

// Cents formatted as a shop in that language writes them: "$1,045.50" and "€45.00" in
// English, "45,00 €" in Italian, Spanish and German, "45,00 €" with a narrow no-break
// space in French. Other languages are written as in English.
std::string formatPrice(std::int64_t cents, Currency currency, std::string_view language);

}
