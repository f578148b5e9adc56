#pragma once

#include "price_format.h"
#include "search_index.h"

#include "platform/result.h"

#include <map>
#include <string>
#include <string_view>

namespace wayfarer::service {

struct ActivitiesQuery {
    std::string text;
    SearchOptions options;
    // A page number (0, 1, 2...), not a record offset.
    std::size_t offset = 0;
    std::size_t limit = 10;
    Currency currency = Currency::USD;
    std::string language = "en";

    // offset * limit, saturating at SIZE_MAX on overflow.
    std::size_t firstRecord() const;
};

using QueryItems = std::multimap<std::string, std::string>;

// Defaults: limit 10, offset 0, AND, AUTO, NONE, relevance, USD; unknown or out-of-range
// values fail. extend_other_languages and extend_content_fields are accepted no-ops (one
// language, all fields always searched). The server answers a failure with HTTP 400 and
// Error::detail as the JSON error.message.
platform::Result<ActivitiesQuery> readActivitiesQuery(const QueryItems& items, std::string_view currencyHeader,
                                                      std::string_view languageHeader);

}
