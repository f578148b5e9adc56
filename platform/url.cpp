#include "url.h"

#include "url_syntax.h"

#include <curl/curl.h>

#include <cctype>
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

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isHostCharacter(char c) { return isLetter(c) || isDigit(c) || c == '-' || c == '_' || c == '.'; }

// A decimal number from 0 to `max` without leading zeros.
bool isPlainNumber(std::string_view text, unsigned max) {
    if (text.empty() || text.size() > 5 || (text.size() > 1 && text[0] == '0'))
        return false;
    unsigned value = 0;
    for (const char c : text) {
        if (!isDigit(c))
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value <= max;
}

// libcurl rewrites hosts that read as IPv4 numbers ("127.1", "0x7f.1", "010.0.0.1"), so
// a host that starts with a digit is taken here only when it is already in that form.
bool isDottedQuad(std::string_view host) {
    int parts = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= host.size(); ++i) {
        if (i < host.size() && host[i] != '.')
            continue;
        if (!isPlainNumber(host.substr(start, i - start), 255))
            return false;
        ++parts;
        start = i + 1;
    }
    return parts == 4;
}

bool hasEscapeAt(std::string_view text, std::size_t i) {
    return i + 2 < text.size() && isHexDigit(text[i + 1]) && isHexDigit(text[i + 2]);
}

struct CommonForm {
    std::size_t schemeLength;
    std::size_t hostBegin;
    std::size_t hostLength;
};

std::optional<CommonForm> findCommonForm(std::string_view text) {
    const std::size_t schemeLength = text.starts_with("https://") ? 5 : text.starts_with("http://") ? 4 : 0;
    if (schemeLength == 0)
        return std::nullopt;
    const std::size_t hostBegin = schemeLength + 3;
    std::size_t i = hostBegin;
    while (i < text.size() && isHostCharacter(text[i]))
        ++i;
    const std::string_view host = text.substr(hostBegin, i - hostBegin);
    if (host.empty() || (!isLetter(host.front()) && !isDottedQuad(host)))
        return std::nullopt;
    if (i < text.size() && text[i] == ':') {
        const std::size_t portBegin = ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        const std::string_view port = text.substr(portBegin, i - portBegin);
        if (!isPlainNumber(port, 65535) || port == "0")
            return std::nullopt;
    }
    if (i < text.size() && text[i] != '/' && text[i] != '?' && text[i] != '#')
        return std::nullopt;
    for (; i < text.size(); ++i)
        if (text[i] < 0x21 || text[i] > 0x7e || (text[i] == '%' && !hasEscapeAt(text, i)))
            return std::nullopt;
    return CommonForm{schemeLength, hostBegin, host.size()};
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
    return Parts{std::string(text.substr(0, form->schemeLength)), std::string(text.substr(form->hostBegin, form->hostLength))};
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
    return Parts{std::move(*scheme), part(handle.get(), CURLUPART_HOST).value_or("")};
}

}

std::optional<URL> URL::parse(std::string_view text) { return parse(std::string(text)); }

std::optional<URL> URL::parse(const char* text) { return parse(std::string(text)); }

std::optional<URL> URL::parse(std::string&& text) {
    // Cover addresses come by the hundred an answer, nearly all in the common form; a
    // libcurl handle for each was most of the cost of reading an answer.
    if (const auto form = url_syntax::findCommonForm(text)) {
        std::string scheme = text.substr(0, form->schemeLength);
        std::string host = text.substr(form->hostBegin, form->hostLength);
        return URL(std::move(text), std::move(scheme), std::move(host));
    }
    if (url_syntax::isRefusedOutright(text))
        return std::nullopt;
    auto parts = url_syntax::readWithCurl(text);
    if (!parts)
        return std::nullopt;
    return URL(std::move(text), std::move(parts->scheme), std::move(parts->host));
}

bool isLoopbackHost(std::string_view host) {
    if (host == "localhost" || host == "[::1]" || host == "::1")
        return true;
    if (!host.starts_with("127."))
        return false;
    int dots = 0;
    for (const char c : host) {
        if (c == '.')
            ++dots;
        else if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return dots == 3;
}

}
