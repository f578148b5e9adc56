#pragma once

#include "activity_catalogue.h"

#include "platform/result.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace wayfarer::service {

struct ServerOptions {
    std::string host = "127.0.0.1";
    int port = 0;  // 0: a free port
    bool plainHttp = false;
    // Fault injection, off by default: a delay before every answer, and the share of
    // answers that fail (a 500 with an HTML body, or a reset connection), drawn from `seed`.
    std::chrono::milliseconds latency{0};
    double failRate = 0.0;
    std::uint64_t seed = 0;
    // How long a client may take to send a request or read an answer, and how long an
    // idle kept-alive connection stays open.
    std::chrono::seconds timeout{5};
    // The activities served; the embedded demo catalogue when empty.
    std::shared_ptr<const ActivityCatalogue> catalogue;
    // Where clients reach the service, when that is not where it listens (behind a front
    // such as nginx): the base of the cover addresses in its answers. Empty: baseURL().
    std::string publicURL;
    // Takes the base of cover addresses from each request's X-Forwarded-Proto and
    // X-Forwarded-Host, when both are there and well formed: for a front that sets them.
    bool trustForwardedHeaders = false;
};

// The local catalogue service, listening on its own threads from start until it is
// destroyed (or stopped). Serves GET /api/v3/activities and the covers of its records.
class CatalogueServer {
public:
    // Binds, starts listening and returns once requests are accepted; on failure says why
    // (the error's detail). Ignores SIGPIPE in the process, as a server must, so that a
    // client that goes away mid-answer cannot end the program.
    static platform::Result<std::unique_ptr<CatalogueServer>> start(ServerOptions options);

    CatalogueServer(const CatalogueServer&) = delete;
    CatalogueServer& operator=(const CatalogueServer&) = delete;
    // Stops the server and joins its threads.
    ~CatalogueServer();

    // "https://127.0.0.1:40123": scheme, host and port, without a trailing slash.
    std::string baseURL() const;
    int port() const;
    // The PEM of the certificate that clients should trust; empty for plain HTTP.
    std::string certificatePem() const;

    // Stops accepting and answering; the destructor does it too.
    void stop();

private:
    struct Impl;
    explicit CatalogueServer(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}
