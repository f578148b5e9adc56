#include "platform/url.h"
#include "platform/url_syntax.h"

#include <gtest/gtest.h>

#include <ostream>

namespace wayfarer::platform {

namespace url_syntax {
void PrintTo(const Parts& parts, std::ostream* out) { *out << parts.scheme << " " << parts.host; }
}

namespace {

// Every row is also read by libcurl: where the common form reads a text, both must agree.
TEST(URL, ParsesAbsoluteURLsOfAnySchemeAndNothingElse) {
    const struct {
        const char* text;
        bool parses;
        bool commonForm;  // read without libcurl
        const char* host = "";
    } cases[] = {
        {"https://example.com/covers/1.jpg", true, true, "example.com"},
        {"http://127.0.0.1:8080/a?b=c%20d", true, true, "127.0.0.1"},
        {"https://Example.COM/x", true, true, "Example.COM"}, {"https://example.com", true, true, "example.com"},
        // The same origin as the row before, or one that only begins like it.
        {"https://example.com@evil.test/", true, false, "evil.test"},
        {"https://example.com.evil.test/x", true, true, "example.com.evil.test"},
        {"https://example.com:8443/a", true, true, "example.com"}, {"https://example.com:84430/a", false, false},
        {"https://example.com:8443x/a", false, false}, {"https://example.com:8443", true, true, "example.com"},
        {"https://example.com?x=1", true, true, "example.com"}, {"https://example.com#top", true, true, "example.com"},
        {"https://example.com.:65535/", true, true, "example.com."},
        {"https://cdn-1.exa_mple.com/a|b^c{d}\"e<f>\\g`h[i]", true, true, "cdn-1.exa_mple.com"},
        {"https://a.0x7f/", true, true, "a.0x7f"}, {"https://255.255.255.255/", true, true, "255.255.255.255"},
        {"https://0.0.0.0/", true, true, "0.0.0.0"},
        // libcurl rewrites these hosts, or reads them in its own way: only it decides.
        {"https://127.1/", true, false, "127.0.0.1"}, {"https://127.0.0.01/", true, false, "127.0.0.1"},
        {"https://0x7f.0.0.1/", true, false, "127.0.0.1"}, {"https://2130706433/", true, false, "127.0.0.1"},
        {"https://256.0.0.1/", true, false, "256.0.0.1"}, {"https://1.2.3.4.5/", true, false, "1.2.3.4.5"},
        {"https://1example.com/", true, false, "1example.com"},
        {"https://user:pw@example.com/", true, false, "example.com"},
        {"https://[::1]:8443/c.jpg", true, false, "[::1]"}, {"https://example.com:0/", true, false, "example.com"},
        {"https://example.com:/", true, false, "example.com"}, {"https:///x", true, false, "x"},
        {"HTTPS://example.com/x", true, false, "example.com"}, {"file:///etc/passwd", true, false},
        {"https://example.com/\xC3\xA9", true, false, "example.com"},
        {"https://caf\xC3\xA9.example/", true, false, "caf\xC3\xA9.example"},
        {"https://example.com/covers/abcdefgh%41ijklmno%7e.jpg", true, true, "example.com"},
        {"https://example.com/0123456789abcdef\x01ghijklmn", false, false},
        {"https://example.com/0123456789abcdef\x7fghijklmn", false, false},
        {"https://example.com/0123456789abcdef%4", false, false},
        {"https://example.com/0123456789abcde%zz012345", false, false},
        {"https://example.com/0123456789abcdef\xC3\xA9ghijklm", true, false, "example.com"}, {"", false, false},
        {"/covers/1.jpg", false, false}, {"https://exa mple.com/", false, false}, {"not a url", false, false},
        {"https://example.com/a b", false, false}, {"https://example.com/100%", false, false},
        {"https://example.com/%zz", false, false}, {"https://example.com:65536/", false, false},
        {"https://ex!ample.com/", false, false},
    };
    for (const auto& row : cases) {
        const std::string text = row.text;
        const auto url = URL::parse(text);
        EXPECT_EQ(url.has_value(), row.parses) << '"' << text << '"';
        if (url) {
            EXPECT_EQ(url->string(), text);
            EXPECT_EQ(url->host(), row.host) << text;
        }
        const auto common = url_syntax::readCommonForm(text);
        EXPECT_EQ(common.has_value(), row.commonForm) << '"' << text << '"';
        if (common) {
            EXPECT_FALSE(url_syntax::isRefusedOutright(text)) << text;
            EXPECT_EQ(common, url_syntax::readWithCurl(text)) << text;
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
