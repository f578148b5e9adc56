#include "platform/url.h"

#include <gtest/gtest.h>

namespace wayfarer::platform {
namespace {

// Hosts as libcurl reads them (nullptr: refused). fuzz/url_differential_fuzzer.cpp holds
// the common-form reader against curl_url_set, with these texts among its seeds.
TEST(URL, ParsesAbsoluteURLsOfAnySchemeAndNothingElse) {
    const struct {
        const char* text;
        const char* host;
    } cases[] = {
        {"https://example.com/covers/1.jpg", "example.com"}, {"http://127.0.0.1:8080/a?b=c%20d", "127.0.0.1"},
        {"https://Example.COM/x", "Example.COM"}, {"https://example.com", "example.com"},
        // The same origin as the row before, or one that only begins like it.
        {"https://example.com@evil.test/", "evil.test"}, {"https://example.com.evil.test/x", "example.com.evil.test"},
        {"https://example.com:8443", "example.com"}, {"https://example.com:84430/a", nullptr},
        {"https://example.com:8443x/a", nullptr}, {"https://example.com:65536/", nullptr},
        {"https://example.com?x=1", "example.com"}, {"https://example.com.:65535/", "example.com."},
        // libcurl rewrites these hosts.
        {"https://127.1/", "127.0.0.1"}, {"https://127.0.0.01/", "127.0.0.1"}, {"https://0x7f.0.0.1/", "127.0.0.1"},
        {"https://2130706433/", "127.0.0.1"}, {"https://user:pw@example.com/", "example.com"},
        {"https://[::1]:8443/c.jpg", "[::1]"}, {"https:///x", "x"}, {"HTTPS://example.com/x", "example.com"},
        {"file:///etc/passwd", ""}, {"https://example.com/\xC3\xA9", "example.com"},
        {"https://caf\xC3\xA9.example/", "caf\xC3\xA9.example"},
        {"https://example.com/0123456789abcdef\x01ghijklmn", nullptr},
        {"https://example.com/0123456789abcdef\x7fghijklmn", nullptr},
        {"https://example.com/0123456789abcdef%4", nullptr}, {"https://example.com/0123456789abcde%zz012345", nullptr},
        {"", nullptr}, {"/covers/1.jpg", nullptr}, {"https://exa mple.com/", nullptr}, {"not a url", nullptr},
        {"https://example.com/a b", nullptr}, {"https://example.com/100%", nullptr}, {"https://ex!ample.com/", nullptr},
    };
    for (const auto& [text, host] : cases) {
        const auto url = URL::parse(text);
        EXPECT_EQ(url.has_value(), host != nullptr) << '"' << text << '"';
        if (url) {
            EXPECT_EQ(url->string(), text);
            EXPECT_EQ(url->host(), host) << text;
        }
    }
    EXPECT_EQ(URL::parse("HTTPS://Example.com/x")->scheme(), "https");
}

// libcurl keeps hosts that only look like loopback addresses as names and resolves them,
// so the resolver would decide where a plain-HTTP request goes.
TEST(URL, HostsThatOnlyLookLikeLoopbackAddressesAreNotLoopback) {
    for (const char* host : {"127.0.0.1", "127.1.2.3", "localhost", "[::1]"})
        EXPECT_TRUE(isLoopbackHost(host)) << host;
    for (const char* host : {"128.0.0.1", "127.0.0.1.example.com", "localhost.example.com", "10.0.0.1", "", "127.0.0",
                             "127..0.1", "127.0.0.0001", "127.0..1", "127...", "127.999.0.1", "127.0.0.256",
                             "127.0.0.08", "127.0.0.1.", "127.0.0.-1"})
        EXPECT_FALSE(isLoopbackHost(host)) << host;
    // https goes anywhere, plain http only to this machine ("127.0.0.01" reads as 127.0.0.1).
    for (const char* text : {"https://example.com/a", "https://127.0.0.1:8443/", "http://127.0.0.1:8080/",
                             "http://127.0.0.01/", "http://localhost/", "http://[::1]:80/"})
        EXPECT_TRUE(isPermittedAddress(*URL::parse(text))) << text;
    for (const char* text : {"http://example.com/", "http://10.0.0.1/", "http://127.0.0.1.example.com/",
                             "http://127.999.0.1:8080/", "http://127.0..1/", "ftp://127.0.0.1/", "file:///etc/passwd"})
        EXPECT_FALSE(isPermittedAddress(*URL::parse(text))) << text;
}

}
}
