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
    // The longest silence allowed while the transfer runs.
    std::chrono::milliseconds requestTimeout = std::chrono::seconds(10);
    // The whole transfer, retries while the network is unreachable included.
    std::chrono::milliseconds resourceTimeout = std::chrono::seconds(10);
    // A larger body, counted after content decoding, fails the transfer with tooLarge as
    // soon as it passes the cap; nothing partial is delivered.
    std::size_t maxBodySize = 8u << 20;
    // Where the server that named this address is (HttpResponse::server of the answer
    // that held it); local for an address of the program's own choosing.
    AddressSpace initiator = AddressSpace::local;
};

struct HttpResponse {
    long status = 0;
    // Received with spare capacity for jsonPadding, so it parses in place.
    std::string body;
    // Where the server that gave this answer is: the initiator of the requests for the
    // addresses the answer names.
    AddressSpace server = AddressSpace::local;
};

// A response of any status, or the error that kept the transfer from getting one.
using HttpResult = Result<HttpResponse>;

using HttpCompletion = std::function<void(HttpResult)>;

// A running transfer. Cancelling one that has not finished makes its completion run
// with a cancelled error; cancelling later does nothing. Safe from any thread.
class HttpTask {
public:
    virtual ~HttpTask() = default;
    virtual void cancel() = 0;
};

// What the catalogue starts its transfers on: HttpClient, or in tests a stand-in that
// runs each completion when the test says.
class HttpSession {
public:
    virtual ~HttpSession() = default;
    virtual std::shared_ptr<HttpTask> start(HttpRequest request, HttpCompletion completion) = 0;
};

// A host name answered with a fixed address instead of asking the resolver, as curl's
// --resolve: a service reached under the name on its certificate at another address.
struct PinnedHost {
    std::string host;
    int port = 443;
    std::string address;
};

struct HttpCalls;

struct HttpClientOptions {
    // A PEM file of certificate authorities trusted beside the system's own.
    std::optional<std::string> extraCaFile;
    // PEM text of the only certificate authorities trusted (the system's are not).
    std::optional<std::string> exclusiveCaPem;
    std::vector<PinnedHost> pinnedHosts;
};

// An HTTP client on libcurl: one worker thread drives every transfer through a multi
// handle, which keeps connections alive and reuses them. Certificates and host names are
// always verified. Every request asks for a compressed answer (Accept-Encoding of all
// that libcurl decodes); the body delivered is the decoded one. Completions run on the
// worker thread, exactly once per started transfer, never inside start(); where libcurl
// or the system refuses a call the client needs, the transfers it concerns fail with an
// unknown error.
//
// Every address fetched, the first and each redirect (301, 302, 303, 307 and 308, at most
// 5), must be https, or plain http to a loopback host (isPermittedAddress), and once a
// transfer has been over https it never goes on over plain http. A transfer whose
// initiator is on the internet, or that has been through a server on the internet (whose
// redirect the next hop is), connects to no local address: judged on the address curl
// resolved, for a new connection and a reused one alike. The client follows redirects
// itself and checks each address before it connects there; an address that breaks the
// rule fails the transfer as unsupportedURL, and nothing is sent to it.
//
// A connection refused, or a name that does not resolve, fails at once. A network that
// cannot be reached (no route to the host) is waited for: the transfer is retried until
// its resource time-out passes, and then fails as timed out.
class HttpClient final : public HttpSession {
public:
    explicit HttpClient(HttpClientOptions options = {});
    // With `calls` in place of the libcurl and system calls it makes, for tests.
    HttpClient(HttpClientOptions options, HttpCalls calls);
    // Cancels the transfers still running (their completions run with a cancelled error,
    // as do those of transfers those completions start) and joins the worker.
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    std::shared_ptr<HttpTask> start(HttpRequest request, HttpCompletion completion) override;

    // The process's client, made on first use with the options set before that use,
    // and never destroyed. It stops when the process exits, before the static objects
    // that completions use are destroyed: what is still running is cancelled and its
    // completion dropped without running, as are the completions of transfers started
    // after that.
    static HttpClient& shared();
    // Stops the shared client now, as at exit, for a program whose main queue goes
    // before the process ends. Does nothing when it was never made or has stopped.
    static void stopShared();
    // Takes effect only before the first call of shared(); fails after it.
    static Result<void> setSharedOptions(HttpClientOptions options);

    class Worker;

private:
    std::shared_ptr<Worker> worker_;
};

}
