// Any search text and page offset through the request address: the first line of the
// input is the offset in decimal, the rest is the text. A text is refused exactly when it
// is too short or holds a character other than an ASCII letter, a digit, a space or '%';
// an address that comes out carries the text and the offset unchanged.

#include "fuzz_check.h"

#include "catalogue/activities_url.h"

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

struct Base {
    std::string_view given;
    std::string_view host;
};
constexpr Base bases[] = {
    {"https://catalogue.example.com", "catalogue.example.com"},
    {"https://127.0.0.1:8443/", "127.0.0.1"},
    {"http://[::1]:8080//", "[::1]"},
};

bool allowed(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' ' || c == '%';
}

std::string escaped(std::string_view text) {
    std::string out;
    for (const char c : text)
        out += c == ' ' ? std::string_view("%20") : std::string_view(&c, 1);
    return out;
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string_view offsetLine = input.substr(0, newline);
    const std::string_view text = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
    std::int64_t offset = 0;
    std::from_chars(offsetLine.data(), offsetLine.data() + offsetLine.size(), offset);

    // Every allowed character is ASCII, so for the texts that may pass, bytes and
    // user-perceived characters are the same count.
    bool onlyAllowed = true;
    for (const char c : text)
        onlyAllowed = onlyAllowed && allowed(c);
    const bool mayPass = onlyAllowed && text.size() >= 3;
    const bool mustPass = mayPass && text.find('%') == std::string_view::npos;

    for (const Base& base : bases) {
        const auto url = wayfarer::activitiesURL(base.given, text, offset);
        FUZZ_CHECK(!url || mayPass);
        FUZZ_CHECK(url || !mustPass);
        if (!url)
            continue;
        std::string_view trimmed = base.given;
        while (trimmed.ends_with('/'))
            trimmed.remove_suffix(1);
        const std::string expected = std::string(trimmed) + "/api/v3/activities?text=" + escaped(text) +
                                     "&text_operator=AND&extend_other_languages=YES&extend_content_fields=AUTO"
                                     "&fuzziness_level=AUTO&zero_terms_query=NONE&sort_by=relevance&limit=10"
                                     "&offset=" + std::to_string(offset);
        FUZZ_CHECK(url->string() == expected);
        FUZZ_CHECK(url->host() == base.host);
    }
    return 0;
}
