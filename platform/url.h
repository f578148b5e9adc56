#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wayfarer::platform {

// An absolute URL, as parsed by libcurl's URL API (the common http and https form is read
// without it, to the same result). Any scheme parses; what may be fetched is the HTTP
// client's decision.
class URL {
public:
    // Nothing for the empty text, text that is not URL syntax (no scheme, spaces,
    // control characters, a '%' not followed by two hex digits) or a bad port.
    static std::optional<URL> parse(std::string_view text);
    static std::optional<URL> parse(const char* text);
    // Keeps `text` itself, without a copy.
    static std::optional<URL> parse(std::string&& text);

    const std::string& string() const { return text_; }
    const std::string& scheme() const { return scheme_; }
    const std::string& host() const { return host_; }

    friend bool operator==(const URL& a, const URL& b) { return a.text_ == b.text_; }

private:
    URL(std::string text, std::string scheme, std::string host)
        : text_(std::move(text)), scheme_(std::move(scheme)), host_(std::move(host)) {}

    std::string text_;
    std::string scheme_;
    std::string host_;
};

// Whether `host` names this machine: 127.0.0.0/8, [::1] or localhost.
bool isLoopbackHost(std::string_view host);

}
