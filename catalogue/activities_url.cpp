#include "activities_url.h"

#include <algorithm>
#include <string>

namespace wayfarer {

namespace {

// Code points, not grapheme clusters: only ASCII passes the character check below, and
// there the two counts agree.
std::size_t characterCount(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

bool isAsciiLetterOrDigit(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

}

std::optional<platform::URL> activitiesURL(std::string_view baseURL, std::string_view text, std::int64_t offset) {
    if (characterCount(text) < 3)
        return std::nullopt;

    std::string escaped;
    escaped.reserve(text.size() * 3);
    for (const char c : text) {
        if (c == ' ')
            escaped += "%20";
        else
            escaped += c;
    }
    // A typed '%' passes here, but URL::parse then rejects it unless it starts a valid escape.
    const bool accepted =
        std::all_of(escaped.begin(), escaped.end(), [](char c) { return c == '%' || isAsciiLetterOrDigit(c); });
    if (!accepted)
        return std::nullopt;

    while (baseURL.ends_with('/'))
        baseURL.remove_suffix(1);
    std::string address;
    address.reserve(baseURL.size() + escaped.size() + 192);
    address.append(baseURL)
        .append("/api/v3/activities?text=")
        .append(escaped)
        .append("&text_operator=AND"
                "&extend_other_languages=YES"
                "&extend_content_fields=AUTO"
                "&fuzziness_level=AUTO"
                "&zero_terms_query=NONE"
                "&sort_by=relevance"
                "&limit=10"
                "&offset=")
        .append(std::to_string(offset));
    return platform::URL::parse(address);
}

}
