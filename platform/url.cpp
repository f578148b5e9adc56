#include "url.h"

#include "url_syntax.h"

#include <arpa/inet.h>
#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>

namespace wayfarer::platform {

namespace url_syntax {

namespace {

struct CurlUrlDeleter {
    void operator()(CURLU* handle) const { curl_url_cleanup(handle); }
};
struct CurlStringDeleter {
    void operator()(char* text) const { curl_free(text); }
};

std::optional<std::string> part(CURLU* handle, CURLUPart which) {
    char* raw = nullptr;
    if (curl_url_get(handle, which, &raw, 0) != CURLUE_OK)
        return std::nullopt;
    std::unique_ptr<char, CurlStringDeleter> text(raw);
    return std::string(text.get());
}

constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Byte-class table for the fast path: every byte of every cover URL is looked up here.
enum : unsigned char { hostCharacter = 1, tailCharacter = 2 };
constexpr auto characterClasses = [] {
    std::array<unsigned char, 256> classes{};
    for (int c = 0x21; c <= 0x7e; ++c) {
        const char ch = static_cast<char>(c);
        classes[c] = tailCharacter |
                     (isLetter(ch) || isDigit(ch) || ch == '-' || ch == '_' || ch == '.' ? hostCharacter : 0);
    }
    return classes;
}();
unsigned char classOf(char c) { return characterClasses[static_cast<unsigned char>(c)]; }

// curl_url normalises numeric IPv4 hosts ("127.1", "0x7f.1", "010.0.0.1"); the fast path
// takes a digit-led host only in canonical a.b.c.d form (0-255, no leading zeros).
bool isDottedQuad(const char* p, const char* end) {
    for (int part = 1;; ++part) {
        const char* start = p;
        unsigned value = 0;
        while (p < end && isDigit(*p) && p - start < 3)
            value = value * 10 + static_cast<unsigned>(*p++ - '0');
        if (p == start || (p - start > 1 && *start == '0') || value > 255)
            return false;
        if (part == 4)
            return p == end;
        if (p == end || *p++ != '.')
            return false;
    }
}

bool hasEscapeAt(std::string_view text, std::size_t i) {
    return i + 2 < text.size() && isHexDigit(text[i + 1]) && isHexDigit(text[i + 2]);
}

// All bytes in '!'..'~', checked eight at a time with SWAR has-less/has-more tests (the
// last word may overlap); `hasPercent` reports a '%'.
bool isPrintableAscii(std::string_view text, bool& hasPercent) {
    if (text.size() < 8) {
        bool printable = true;
        hasPercent = false;
        for (const char c : text) {
            printable = printable && (classOf(c) & tailCharacter);
            hasPercent = hasPercent || c == '%';
        }
        return printable;
    }
    constexpr std::uint64_t ones = 0x0101010101010101, highs = 0x8080808080808080;
    std::uint64_t outside = 0, percents = 0;
    const auto check = [&](const char* at) {
        std::uint64_t word;
        std::memcpy(&word, at, 8);
        outside |= ((word - ones * 0x21) & ~word) | ((word + ones * (0x7f - 0x7e)) | word);
        const std::uint64_t percent = word ^ (ones * '%');
        percents |= (percent - ones) & ~percent;
    };
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8)
        check(text.data() + i);
    if (i < text.size())
        check(text.data() + text.size() - 8);
    hasPercent = (percents & highs) != 0;
    return (outside & highs) == 0;
}

struct CommonForm {
    std::size_t schemeLength;
    std::size_t hostBegin;
    std::size_t hostLength;
    std::size_t originLength;
};

bool isPathStart(std::string_view text, std::size_t at) {
    return at == text.size() || text[at] == '/' || text[at] == '?' || text[at] == '#';
}

// nullopt when `text` does not start with a fast-path scheme://host[:port].
std::optional<CommonForm> findCommonOrigin(std::string_view text, std::size_t& originLength) {
    const std::size_t schemeLength = text.starts_with("https://") ? 5 : text.starts_with("http://") ? 4 : 0;
    if (schemeLength == 0)
        return std::nullopt;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* const host = begin + schemeLength + 3;
    const char* p = host;
    while (p < end && (classOf(*p) & hostCharacter))
        ++p;
    if (p == host || (!isLetter(*host) && !isDottedQuad(host, p)))
        return std::nullopt;
    const char* const hostEnd = p;
    if (p < end && *p == ':') {
        const char* const port = ++p;
        unsigned value = 0;
        while (p < end && isDigit(*p) && p - port < 5)
            value = value * 10 + static_cast<unsigned>(*p++ - '0');
        if (p == port || *port == '0' || value > 65535)
            return std::nullopt;
    }
    originLength = static_cast<std::size_t>(p - begin);
    if (!isPathStart(text, originLength))
        return std::nullopt;
    return CommonForm{schemeLength, static_cast<std::size_t>(host - begin), static_cast<std::size_t>(hostEnd - host),
                      originLength};
}

// thread_local cache of the last origin: one answer's covers nearly all share it.
struct LastOrigin {
    std::string text;
    CommonForm form{};
};

std::optional<CommonForm> findCommonForm(std::string_view text) {
    thread_local LastOrigin last;
    std::optional<CommonForm> form;
    std::size_t originLength = last.text.size();
    if (!last.text.empty() && text.starts_with(last.text) && isPathStart(text, originLength)) {
        form = last.form;
    } else {
        form = findCommonOrigin(text, originLength);
        if (!form)
            return std::nullopt;
        last = {std::string(text.substr(0, originLength)), *form};
    }
    // Percent-escapes are rare: only checked when isPrintableAscii saw a '%'.
    const std::string_view tail = text.substr(originLength);
    bool escapes = false;
    if (!isPrintableAscii(tail, escapes) || tail.find("/.") != tail.npos)
        return std::nullopt;
    for (std::size_t at = escapes ? tail.find('%') : tail.npos; at != tail.npos; at = tail.find('%', at + 1))
        if (!hasEscapeAt(tail, at))
            return std::nullopt;
    return form;
}

}

bool isRefusedOutright(std::string_view text) {
    if (text.empty())
        return true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c <= 0x20 || c == 0x7f || (c == '%' && !hasEscapeAt(text, i)))
            return true;
    }
    return false;
}

std::optional<Parts> readCommonForm(std::string_view text) {
    const auto form = findCommonForm(text);
    if (!form)
        return std::nullopt;
    const std::size_t hostEnd = form->hostBegin + form->hostLength;
    const std::size_t portBegin = std::min(hostEnd + 1, form->originLength);
    const std::string_view tail = text.substr(form->originLength);
    const std::string_view path = tail.substr(0, tail.find_first_of("?#"));
    return Parts{std::string(text.substr(0, form->schemeLength)), std::string(text.substr(form->hostBegin, form->hostLength)),
                 std::string(text.substr(portBegin, form->originLength - portBegin)),
                 path.empty() ? std::string("/") : std::string(path)};
}

std::optional<Parts> readWithCurl(const std::string& text) {
    std::unique_ptr<CURLU, CurlUrlDeleter> handle(curl_url());
    if (!handle)
        return std::nullopt;
    if (curl_url_set(handle.get(), CURLUPART_URL, text.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return std::nullopt;
    auto scheme = part(handle.get(), CURLUPART_SCHEME);
    if (!scheme)
        return std::nullopt;
    return Parts{std::move(*scheme), part(handle.get(), CURLUPART_HOST).value_or(""),
                 part(handle.get(), CURLUPART_PORT).value_or(""), part(handle.get(), CURLUPART_PATH).value_or("")};
}

}

std::optional<URL> URL::parse(std::string_view text, Allocator allocator) {
    // A CURLU handle per cover URL (hundreds per answer) was most of the cost of reading one.
    if (const auto form = url_syntax::findCommonForm(text))
        return std::optional<URL>(std::in_place, Token{}, text, allocator, text.substr(0, form->schemeLength),
                                  text.substr(form->hostBegin, form->hostLength));
    if (url_syntax::isRefusedOutright(text))
        return std::nullopt;
    const auto parts = url_syntax::readWithCurl(std::string(text));
    if (!parts)
        return std::nullopt;
    return std::optional<URL>(std::in_place, Token{}, text, allocator, parts->scheme, parts->host);
}

bool isLoopbackHost(std::string_view host) {
    if (host == "localhost" || host == "[::1]" || host == "::1")
        return true;
    // inet_pton-strict: "127.999.0.1" or "127.0..1" is a host name curl would resolve via
    // DNS, which may answer with any address.
    const std::string text(host);
    in_addr address{};
    return inet_pton(AF_INET, text.c_str(), &address) == 1 && (ntohl(address.s_addr) >> 24) == 127;
}

bool isPermittedAddress(const URL& url) {
    return url.scheme() == "https" || (url.scheme() == "http" && isLoopbackHost(url.host()));
}

}
