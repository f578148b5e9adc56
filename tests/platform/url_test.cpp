#include "platform/url.h"

#include <gtest/gtest.h>

namespace wayfarer::platform {
namespace {

TEST(URL, ParsesAbsoluteURLsOfAnySchemeAndNothingElse) {
    const struct {
        const char* text;
        bool parses;
    } cases[] = {
        {"https://example.com/covers/1.jpg", true},
        {"http://127.0.0.1:8080/a?b=c%20d", true},
        {"file:///etc/passwd", true},
        {"ftp://example.com/x", true},
        {"", false},
        {"rome.jpg", false},
        {"/covers/1.jpg", false},
        {"https://exa mple.com/", false},
        {"https://example.com/a b", false},
        {"https://example.com/\n", false},
        {"https://example.com/100%", false},
        {"https://example.com/%zz", false},
        {"https://example.com:99999/", false},
        {"not a url", false},
    };
    for (const auto& row : cases)
        EXPECT_EQ(URL::parse(row.text).has_value(), row.parses) << '"' << row.text << '"';
    EXPECT_EQ(URL::parse("HTTPS://Example.com/x")->scheme(), "https");
}

TEST(URL, KnowsLoopbackHosts) {
    for (const char* host : {"127.0.0.1", "127.1.2.3", "localhost", "[::1]"})
        EXPECT_TRUE(isLoopbackHost(host)) << host;
    for (const char* host : {"128.0.0.1", "127.0.0.1.example.com", "localhost.example.com", "10.0.0.1", "",
                             "127.0.0.256", "127.999.0.1", "127.0.0", "127.0.0.1.", "127..0.1", "127.0.0.0001"})
        EXPECT_FALSE(isLoopbackHost(host)) << host;
}

// libcurl keeps such hosts as names and resolves them, so the resolver would decide where
// a plain-HTTP request goes.
TEST(URL, HostsThatOnlyLookLikeLoopbackAddressesAreNotLoopback) {
    for (const char* host : {"127.0..1", "127...", "127.999.0.1", "127.0.0.256", "127.0.0.08", "127.0.0.1.", "127.0.0.-1"})
        EXPECT_FALSE(isLoopbackHost(host)) << host;
    for (const char* text : {"http://127.999.0.1:8080/", "http://127.0..1/"})
        EXPECT_FALSE(isLoopbackHost(URL::parse(text)->host())) << text;
    EXPECT_TRUE(isLoopbackHost(URL::parse("http://127.0.0.01/")->host())) << "normalised to 127.0.0.1";
}

TEST(URL, PermitsHttpsAnywhereAndPlainHttpOnlyOnThisMachine) {
    const struct {
        const char* text;
        bool permitted;
    } cases[] = {
        {"https://example.com/a", true},
        {"https://127.0.0.1:8443/", true},
        {"http://127.0.0.1:8080/", true},
        {"http://127.1/", true},
        {"http://localhost/", true},
        {"http://[::1]:80/", true},
        {"http://example.com/", false},
        {"http://10.0.0.1/", false},
        {"http://127.0.0.1.example.com/", false},
        {"ftp://127.0.0.1/", false},
        {"file:///etc/passwd", false},
    };
    for (const auto& row : cases)
        EXPECT_EQ(isPermittedAddress(*URL::parse(row.text)), row.permitted) << row.text;
}

}
}
