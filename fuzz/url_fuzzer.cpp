// Any text through the URL parser, and the host of what parses through the loopback
// test. A URL keeps its text exactly, parses again to the same parts, and never holds
// what the parser refuses; a host counts as loopback only when it is one.

#include "fuzz_check.h"

#include "platform/url.h"

#include <arpa/inet.h>

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool hexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

bool wellEscaped(std::string_view text) {
    for (std::size_t i = text.find('%'); i != std::string_view::npos; i = text.find('%', i + 1))
        if (i + 2 >= text.size() || !hexDigit(text[i + 1]) || !hexDigit(text[i + 2]))
            return false;
    return true;
}

bool printable(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f)
            return false;
    return true;
}

// 127.0.0.0/8 written as a dotted IPv4 address, [::1], or the name localhost.
bool reallyLoopback(std::string_view host) {
    if (host == "localhost" || host == "[::1]" || host == "::1")
        return true;
    const std::string text(host);
    in_addr address{};
    return inet_pton(AF_INET, text.c_str(), &address) == 1 && (ntohl(address.s_addr) >> 24) == 127;
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using wayfarer::platform::URL;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // The loopback test sees hosts from elsewhere too (a configured address), so it must
    // hold for any text, not only for hosts that came out of the parser.
    if (wayfarer::platform::isLoopbackHost(text))
        FUZZ_CHECK(reallyLoopback(text));

    const auto url = URL::parse(text);
    if (!url)
        return 0;
    FUZZ_CHECK(url->string() == text);
    FUZZ_CHECK(!text.empty() && printable(text) && wellEscaped(text));
    FUZZ_CHECK(!url->scheme().empty());
    for (const char c : url->scheme())
        FUZZ_CHECK(std::islower(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) ||
                   c == '+' || c == '-' || c == '.');
    const auto again = URL::parse(url->string());
    FUZZ_CHECK(again && *again == *url && again->scheme() == url->scheme() && again->host() == url->host());
    if (wayfarer::platform::isLoopbackHost(url->host()))
        FUZZ_CHECK(reallyLoopback(url->host()));
    return 0;
}
