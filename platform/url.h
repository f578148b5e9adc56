#pragma once

#include <memory_resource>
#include <optional>
#include <string>
#include <string_view>

namespace wayfarer::platform {

// An absolute URL as curl_url_set reads it; the common http(s) form is read without a
// CURLU, to the same parts (fuzz/url_differential_fuzzer.cpp). Any scheme parses; what
// may be fetched is isPermittedAddress's and the HTTP client's decision.
class URL {
public:
    using Allocator = std::pmr::polymorphic_allocator<char>;

    // Nothing for the empty text, text that is not URL syntax (no scheme, spaces,
    // control characters, a '%' not followed by two hex digits) or a bad port. The text
    // is kept in memory from `allocator`; a copy of the URL owns its text, a URL moved
    // from this one still uses that memory.
    static std::optional<URL> parse(std::string_view text, Allocator allocator = {});

    std::string_view string() const { return text_; }
    const std::string& scheme() const { return scheme_; }
    const std::string& host() const { return host_; }

    friend bool operator==(const URL& a, const URL& b) { return a.text_ == b.text_; }

private:
    struct Token {};

public:
    // Made by parse only.
    URL(Token, std::string_view text, Allocator allocator, std::string_view scheme, std::string_view host)
        : text_(text, allocator), scheme_(scheme), host_(host) {}

private:
    std::pmr::string text_;
    std::string scheme_;
    std::string host_;
};

// Whether `host` names this machine: 127.0.0.0/8, [::1] or localhost.
bool isLoopbackHost(std::string_view host);

// Whether the client may fetch `url` at all: https to any host, plain http only to this
// machine, where nobody on the way can read or change it.
bool isPermittedAddress(const URL& url);

}
