#include "price_format.h"

#include <cctype>

namespace wayfarer::service {

namespace {

// Fixed EUR->USD rate, so answers are reproducible.
constexpr std::int64_t dollarsPerThousandEuros = 1080;

constexpr std::string_view noBreakSpace = "\u00A0";
constexpr std::string_view narrowNoBreakSpace = "\u202F";

std::string groupedUnits(std::int64_t units, std::string_view separator) {
    std::string digits = std::to_string(units);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += separator;
        grouped += digits[i];
    }
    return grouped;
}

std::string twoDigits(std::int64_t cents) {
    return {static_cast<char>('0' + cents / 10), static_cast<char>('0' + cents % 10)};
}

}

std::optional<Currency> currencyFromCode(std::string_view code) {
    if (code == "USD")
        return Currency::USD;
    if (code == "EUR")
        return Currency::EUR;
    return std::nullopt;
}

std::string_view currencyCode(Currency currency) {
    return currency == Currency::USD ? "USD" : "EUR";
}

std::int64_t convertEuroCents(std::int64_t euroCents, Currency currency) {
    if (currency == Currency::EUR)
        return euroCents;
    return (euroCents * dollarsPerThousandEuros + 500) / 1000;
}

std::string priceLanguage(std::string_view acceptLanguage) {
    std::string language;
    for (const char c : acceptLanguage) {
        if (std::isalpha(static_cast<unsigned char>(c)))
            language += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        else if (c == ' ' && language.empty())
            continue;
        else
            break;
    }
    return language.empty() ? "en" : language;
}

std::string formatPrice(std::int64_t cents, Currency currency, std::string_view language) {
    const bool negative = cents < 0;
    const std::int64_t magnitude = negative ? -cents : cents;
    const std::int64_t units = magnitude / 100;
    const std::string sign = negative ? "-" : "";
    const std::string_view symbol = currency == Currency::USD ? "$" : "€";
    if (language == "it" || language == "es" || language == "de" || language == "fr") {
        const std::string_view space = language == "fr" ? narrowNoBreakSpace : noBreakSpace;
        const std::string_view group = language == "fr" ? narrowNoBreakSpace : ".";
        return sign + groupedUnits(units, group) + "," + twoDigits(magnitude % 100) + std::string(space) +
               std::string(symbol);
    }
    return sign + std::string(symbol) + groupedUnits(units, ",") + "." + twoDigits(magnitude % 100);
}

}
