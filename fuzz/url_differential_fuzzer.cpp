// URL::parse's common-form reader held against curl_url_set with the flags of the libcurl
// path: whatever the fast path reads, libcurl reads to the same scheme, host, port and
// path; and whatever URL::parse accepts, the address policy judges libcurl's host alike.

#include "fuzz_check.h"

#include "platform/url.h"
#include "platform/url_syntax.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool permitted(const wayfarer::platform::url_syntax::Parts& parts) {
    return parts.scheme == "https" || (parts.scheme == "http" && wayfarer::platform::isLoopbackHost(parts.host));
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace url_syntax = wayfarer::platform::url_syntax;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto curl = url_syntax::readWithCurl(text);
    if (const auto fast = url_syntax::readCommonForm(text)) {
        if (!curl || *fast != *curl) {
            std::fprintf(stderr, "fast: %s %s %s %s\n", fast->scheme.c_str(), fast->host.c_str(), fast->port.c_str(),
                         fast->path.c_str());
            if (curl)
                std::fprintf(stderr, "curl: %s %s %s %s\n", curl->scheme.c_str(), curl->host.c_str(),
                             curl->port.c_str(), curl->path.c_str());
        }
        FUZZ_CHECK(curl && *fast == *curl);
    }
    const auto url = wayfarer::platform::URL::parse(text);
    if (!url)
        return 0;
    FUZZ_CHECK(curl && url->scheme() == curl->scheme && url->host() == curl->host);
    FUZZ_CHECK(wayfarer::platform::isPermittedAddress(*url) == permitted(*curl));
    return 0;
}
