#pragma once

#include "address_space.h"
#include "result.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace wayfarer::platform {

struct HttpRequest {
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;
    // CURLOPT_LOW_SPEED_TIME at 1 byte/s: the longest silence allowed.
    std::chrono::milliseconds requestTimeout = std::chrono::seconds(10);
    // CURLOPT_TIMEOUT_MS over the whole transfer, unreachable-network retries included.
    std::chrono::milliseconds resourceTimeout = std::chrono::seconds(10);
    // Counted after Content-Encoding is decoded; past it the transfer fails as tooLarge
    // with no partial body.
    std::size_t maxBodySize = 8u << 20;
    // HttpResponse::server of the answer that named this URL; local for our own URLs.
    AddressSpace initiator = AddressSpace::local;
};

struct HttpResponse {
    long status = 0;
    // Has capacity for jsonPadding spare, so simdjson parses it in place.
    std::string body;
    // Becomes HttpRequest::initiator for the URLs this body names.
    AddressSpace server = AddressSpace::local;
};

// Any HTTP status is a value; only a failed transfer is an Error.
using HttpResult = Result<HttpResponse>;

using HttpCompletion = std::function<void(HttpResult)>;

// cancel() is thread-safe; before completion it makes it run with ErrorCode::cancelled,
// after it is a no-op.
class HttpTask {
public:
    virtual ~HttpTask() = default;
    virtual void cancel() = 0;
};

// HttpClient, or a test double that completes when the test says.
class HttpSession {
public:
    virtual ~HttpSession() = default;
    virtual std::shared_ptr<HttpTask> start(HttpRequest request, HttpCompletion completion) = 0;
};

// A CURLOPT_RESOLVE entry: host:port served from `address` under its certificate's name.
struct PinnedHost {
    std::string host;
    int port = 443;
    std::string address;
};

struct HttpCalls;

struct HttpClientOptions {
    // CURLOPT_CAINFO, with CURLOPT_CAPATH /etc/ssl/certs still trusted.
    std::optional<std::string> extraCaFile;
    // CURLOPT_CAINFO_BLOB with CURLOPT_CAPATH cleared: the system CAs are not trusted.
    std::optional<std::string> exclusiveCaPem;
    std::vector<PinnedHost> pinnedHosts;
};

// libcurl client: one worker thread runs a CURLM handle (connection reuse, HTTP/2
// multiplexing); CURLOPT_SSL_VERIFYPEER/VERIFYHOST always on; CURLOPT_ACCEPT_ENCODING "".
// Completions run on the worker thread, exactly once per start(), never inside it; a
// failed curl_* or system call fails the transfers concerned as ErrorCode::unknown.
//
// Redirects (301/302/303/307/308, at most 5) are followed here, not with
// CURLOPT_FOLLOWLOCATION, so each URL passes isPermittedAddress before it is fetched:
// https, or http to loopback, and never back to http after https. Once the initiator or
// any hop is AddressSpace::internet, CURLOPT_OPENSOCKETFUNCTION (new connections) and
// CURLOPT_PREREQFUNCTION (reused ones) refuse a local resolved address. A refused URL
// fails as unsupportedURL with nothing sent.
//
// ECONNREFUSED and CURLE_COULDNT_RESOLVE_HOST fail at once; an isUnreachable() errno
// (ENETUNREACH...) retries until resourceTimeout, then fails as timedOut.
class HttpClient final : public HttpSession {
public:
    explicit HttpClient(HttpClientOptions options = {});
    // For tests: `calls` stands in for the curl_* and system calls.
    HttpClient(HttpClientOptions options, HttpCalls calls);
    // Cancels what is running (and what its completions start), then joins the worker.
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    std::shared_ptr<HttpTask> start(HttpRequest request, HttpCompletion completion) override;

    // Leaked singleton; std::atexit (registered on first use) stops it, and
    // from then on completions are dropped without running.
    static HttpClient& shared();
    // The atexit stop, run early by a program whose main queue dies before exit.
    static void stopShared();
    // Fails once shared() has been called.
    static Result<void> setSharedOptions(HttpClientOptions options);

    class Worker;

private:
    std::shared_ptr<Worker> worker_;
};

}
