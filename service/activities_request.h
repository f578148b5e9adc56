#pragma once

#include "price_format.h"
#include "search_index.h"

#include "platform/result.h"

#include <map>
#include <string>
#include <string_view>

namespace wayfarer::service {

// What one activities request asks for, once its query items and headers are checked.
struct ActivitiesQuery {
    std::string text;
    SearchOptions options;
    // The page number the client sends: 0, 1, 2 and so on, never multiplied by the limit.
    std::size_t offset = 0;
    std::size_t limit = 10;
    Currency currency = Currency::USD;
    std::string language = "en";

    // The rank of the page's first record: offset × limit, or past any catalogue when the
    // product does not fit.
    std::size_t firstRecord() const;
};

using QueryItems = std::multimap<std::string, std::string>;

// Checks the decoded query items and the two headers of an activities request. Missing
// items take their usual values (limit 10, offset 0, AND, AUTO, NONE, relevance; USD);
// a value out of range or not understood is refused. "extend_other_languages" and
// "extend_content_fields" are accepted and have no effect: the catalogue has one language
// and always searches all its fields.
// A refusal is answered 400 with the error's detail as the JSON error body's message.
platform::Result<ActivitiesQuery> readActivitiesQuery(const QueryItems& items, std::string_view currencyHeader,
                                                      std::string_view languageHeader);

}
