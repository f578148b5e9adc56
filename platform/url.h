#pragma once

#include <memory_resource>
#include <optional>
#include <string>
#include <string_view>

namespace wayfarer::platform {

// An absolute URL as curl_url_set parses it; common http(s) URLs take a CURLU-free fast
// path with identical parts (fuzz/url_differential_fuzzer.cpp). Any scheme parses:
// isPermittedAddress and HttpClient decide what is fetched.
class URL {
public:
    using Allocator = std::pmr::polymorphic_allocator<char>;

    // nullopt for no scheme, spaces or control bytes, a bad '%' escape or a bad port. The
    // text lives in `allocator`'s memory (std::pmr); a copy owns its own, a move keeps it.
    static std::optional<URL> parse(std::string_view text, Allocator allocator = {});

    std::string_view string() const { return text_; }
    const std::string& scheme() const { return scheme_; }
    const std::string& host() const { return host_; }

    friend bool operator==(const URL& a, const URL& b) { return a.text_ == b.text_; }

private:
    struct Token {};

public:
    URL(Token, std::string_view text, Allocator allocator, std::string_view scheme, std::string_view host)
        : text_(text, allocator), scheme_(scheme), host_(host) {}

private:
    std::pmr::string text_;
    std::string scheme_;
    std::string host_;
};

// 127.0.0.0/8, [::1] or localhost.
bool isLoopbackHost(std::string_view host);

// https anywhere; plain http only to a loopback host, where nothing on the path can
// read or alter it.
bool isPermittedAddress(const URL& url);

}
