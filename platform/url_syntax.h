#pragma once

#include <optional>
#include <string>
#include <string_view>

// The two readers behind URL::parse, apart so that fuzz/url_differential_fuzzer.cpp can
// hold one against the other.
namespace wayfarer::platform::url_syntax {

// As curl_url_get gives them: the port empty when the text has none, the path "/" when
// the text has none.
struct Parts {
    std::string scheme;
    std::string host;
    std::string port;
    std::string path;
    friend bool operator==(const Parts&, const Parts&) = default;
};

// Empty, a byte up to ' ' or DEL, or a '%' without two hex digits: refused before libcurl.
bool isRefusedOutright(std::string_view text);

// The common form, read without libcurl: "http" or "https", "://", a host that starts with
// a letter (letters, digits, '-', '_', '.') or a dotted quad without leading zeros, an
// optional port 1-65535 without leading zeros, then nothing or '/', '?' or '#' followed by
// printable ASCII with every '%' escaping two hex digits and no "/." (which
// curl_url_set would resolve as a dot segment). Nothing for any other text.
std::optional<Parts> readCommonForm(std::string_view text);

// curl_url_set(CURLUPART_URL, CURLU_NON_SUPPORT_SCHEME), or nothing when it refuses.
std::optional<Parts> readWithCurl(const std::string& text);

}
