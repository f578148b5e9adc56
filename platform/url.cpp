#include "url.h"

#include <arpa/inet.h>
#include <curl/curl.h>

#include <cctype>
#include <memory>

namespace wayfarer::platform {

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

bool hasValidPercentEscapes(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        if (i + 2 >= text.size())
            return false;
        if (!std::isxdigit(static_cast<unsigned char>(text[i + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(text[i + 2])))
            return false;
    }
    return true;
}

}

std::optional<URL> URL::parse(std::string_view text) {
    if (text.empty() || !hasValidPercentEscapes(text))
        return std::nullopt;
    for (const char c : text)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f)
            return std::nullopt;
    std::unique_ptr<CURLU, CurlUrlDeleter> handle(curl_url());
    if (!handle)
        return std::nullopt;
    const std::string owned(text);
    if (curl_url_set(handle.get(), CURLUPART_URL, owned.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return std::nullopt;
    auto scheme = part(handle.get(), CURLUPART_SCHEME);
    auto host = part(handle.get(), CURLUPART_HOST);
    if (!scheme)
        return std::nullopt;
    return URL(owned, std::move(*scheme), host.value_or(""));
}

bool isLoopbackHost(std::string_view host) {
    if (host == "localhost" || host == "[::1]" || host == "::1")
        return true;
    // Only a dotted IPv4 address counts. Text that merely looks like one ("127.999.0.1",
    // "127.0..1") is a name that libcurl hands to the resolver, which may answer with any
    // machine.
    const std::string text(host);
    in_addr address{};
    return inet_pton(AF_INET, text.c_str(), &address) == 1 && (ntohl(address.s_addr) >> 24) == 127;
}

bool isPermittedAddress(const URL& url) {
    return url.scheme() == "https" || (url.scheme() == "http" && isLoopbackHost(url.host()));
}

}
