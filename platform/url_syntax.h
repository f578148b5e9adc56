#pragma once

#include <optional>
#include <string>
#include <string_view>

// URL::parse's two parsers, exposed for fuzz/url_differential_fuzzer.cpp.
namespace wayfarer::platform::url_syntax {

// As curl_url_get returns them: empty port when absent, path "/" when absent.
struct Parts {
    std::string scheme;
    std::string host;
    std::string port;
    std::string path;
    friend bool operator==(const Parts&, const Parts&) = default;
};

// Empty, a byte up to ' ' or DEL, or a '%' without two hex digits: refused before libcurl.
bool isRefusedOutright(std::string_view text);

// The fast path, no CURLU: http(s)://host[:port] with a letter-led host
// ([A-Za-z0-9._-]) or canonical dotted quad, port 1-65535 without leading zeros, then
// '/', '?' or '#' and printable ASCII with valid '%XX' escapes and no "/." (a dot
// segment curl_url_set would resolve). nullopt for anything else.
std::optional<Parts> readCommonForm(std::string_view text);

// curl_url_set(CURLUPART_URL, CURLU_NON_SUPPORT_SCHEME); nullopt when it fails.
std::optional<Parts> readWithCurl(const std::string& text);

}
