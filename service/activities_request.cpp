#include "activities_request.h"

#include <charconv>
#include <limits>

namespace wayfarer::service {

namespace {

const std::string* firstValue(const QueryItems& items, const std::string& key) {
    const auto it = items.find(key);
    return it == items.end() ? nullptr : &it->second;
}

// [0-9]{1,18}: no sign or space, and no size_t overflow.
std::optional<std::size_t> digits(std::string_view text) {
    std::size_t value = 0;
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

}

std::size_t ActivitiesQuery::firstRecord() const {
    if (limit != 0 && offset > std::numeric_limits<std::size_t>::max() / limit)
        return std::numeric_limits<std::size_t>::max();
    return offset * limit;
}

platform::Result<ActivitiesQuery> readActivitiesQuery(const QueryItems& items, std::string_view currencyHeader,
                                                      std::string_view languageHeader) {
    ActivitiesQuery query;
    const auto refuse = [](std::string message) { return platform::Error{platform::ErrorCode::cannotParse, std::move(message)}; };

    if (const auto* text = firstValue(items, "text"))
        query.text = *text;
    if (const auto* limit = firstValue(items, "limit")) {
        const auto value = digits(*limit);
        if (!value || *value < 1 || *value > 100)
            return refuse("limit must be a whole number from 1 to 100");
        query.limit = *value;
    }
    if (const auto* offset = firstValue(items, "offset")) {
        const auto value = digits(*offset);
        if (!value)
            return refuse("offset must be a whole number of 0 or more");
        query.offset = *value;
    }
    if (const auto* op = firstValue(items, "text_operator")) {
        if (*op != "AND" && *op != "OR")
            return refuse("text_operator must be AND or OR");
        query.options.everyTerm = *op == "AND";
    }
    if (const auto* fuzziness = firstValue(items, "fuzziness_level")) {
        if (*fuzziness == "0" || *fuzziness == "1" || *fuzziness == "2")
            query.options.fixedFuzziness = (*fuzziness)[0] - '0';
        else if (*fuzziness != "AUTO")
            return refuse("fuzziness_level must be AUTO, 0, 1 or 2");
    }
    if (const auto* zeroTerms = firstValue(items, "zero_terms_query")) {
        if (*zeroTerms != "NONE" && *zeroTerms != "ALL")
            return refuse("zero_terms_query must be NONE or ALL");
        query.options.emptyTextMatchesAll = *zeroTerms == "ALL";
    }
    if (const auto* sort = firstValue(items, "sort_by"); sort && *sort != "relevance")
        return refuse("sort_by must be relevance");

    if (!currencyHeader.empty()) {
        const auto currency = currencyFromCode(currencyHeader);
        if (!currency)
            return refuse("x-lorvanta-currency must be USD or EUR");
        query.currency = *currency;
    }
    query.language = priceLanguage(languageHeader);
    return query;
}

}
