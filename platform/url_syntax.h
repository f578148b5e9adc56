#pragma once

#include <optional>
#include <string>
#include <string_view>

// The two readers behind URL::parse, apart so that tests can hold one against the other.
namespace wayfarer::platform::url_syntax {

struct Parts {
    std::string scheme;
    std::string host;
    friend bool operator==(const Parts&, const Parts&) = default;
};

// Text that is refused before libcurl sees it: empty, a space or control character, a
// '%' not followed by two hex digits.
bool isRefusedOutright(std::string_view text);

// The common form of a fetchable address, read without libcurl: "http" or "https" in
// lower case, "://", a host name that starts with a letter (letters, digits, '-', '_'
// and '.') or a dotted quad as libcurl writes it, an optional port from 1 to 65535
// without leading zeros, then nothing or '/', '?' or '#' and printable ASCII in which
// every '%' is followed by two hex digits. Nothing
// for any other text, which only libcurl can judge. For text it reads, the parts are
// exactly libcurl's.
std::optional<Parts> readCommonForm(std::string_view text);

// libcurl's reading (any scheme), or nothing when it refuses the text.
std::optional<Parts> readWithCurl(const std::string& text);

}
