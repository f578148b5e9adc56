#include "activities_answer.h"

#include "price_format.h"

namespace wayfarer::service {

void appendJsonString(std::string& out, std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += hex[byte >> 4];
            out += hex[byte & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

namespace {

void appendMember(std::string& out, std::string_view key, std::string_view value) {
    appendJsonString(out, key);
    out += ':';
    appendJsonString(out, value);
    out += ',';
}

void appendRecord(std::string& out, const Activity& activity, const ActivitiesQuery& query, std::string_view baseURL) {
    out += '{';
    appendMember(out, "uuid", activity.uuid);
    appendMember(out, "title", activity.title);
    if (activity.description)
        appendMember(out, "description", *activity.description);
    if (activity.operationalDays)
        appendMember(out, "operational_days", *activity.operationalDays);
    if (activity.hasCover)
        appendMember(out, "cover_image_url", std::string(baseURL) + "/covers/" + activity.uuid + ".jpg");
    if (activity.priceEuroCents) {
        const std::int64_t cents = convertEuroCents(*activity.priceEuroCents, query.currency);
        out += "\"retail_price\":{\"value\":";
        out += std::to_string(cents / 100);
        out += '.';
        out += static_cast<char>('0' + cents % 100 / 10);
        out += static_cast<char>('0' + cents % 10);
        out += ',';
        appendMember(out, "currency", currencyCode(query.currency));
        out += "\"formatted_value\":";
        appendJsonString(out, formatPrice(cents, query.currency, query.language));
        out += "},";
    }
    appendMember(out, "city", activity.city);
    appendMember(out, "country", activity.country);
    appendJsonString(out, "category");
    out += ':';
    appendJsonString(out, activity.category);
    out += '}';
}

}

std::string activitiesAnswer(const ActivityCatalogue& catalogue, const SearchPage& page,
                             const ActivitiesQuery& query, std::string_view baseURL) {
    std::string out;
    out.reserve(256 + page.records.size() * 700);
    out += "{\"meta\":{\"count\":" + std::to_string(page.total) + ",\"offset\":" + std::to_string(query.offset) +
           ",\"limit\":" + std::to_string(query.limit) + "},\"data\":[";
    for (std::size_t i = 0; i < page.records.size(); ++i) {
        if (i > 0)
            out += ',';
        appendRecord(out, catalogue.activities[page.records[i]], query, baseURL);
    }
    out += "]}";
    return out;
}

ActivitiesResponse answerActivitiesRequest(const ActivityCatalogue& catalogue, const SearchIndex& index,
                                           const QueryItems& items, std::string_view currencyHeader,
                                           std::string_view languageHeader, std::string_view baseURL) {
    const auto read = readActivitiesQuery(items, currencyHeader, languageHeader);
    if (!read)
        return {400, errorAnswer(400, read.error().detail)};
    const ActivitiesQuery& query = *read;
    const SearchPage page = index.search(query.text, query.firstRecord(), query.limit, query.options);
    return {200, activitiesAnswer(catalogue, page, query, baseURL)};
}

std::string errorAnswer(int status, std::string_view message) {
    std::string out = "{\"error\":{\"status\":" + std::to_string(status) + ",\"message\":";
    appendJsonString(out, message);
    out += "}}";
    return out;
}

}
