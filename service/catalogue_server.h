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
    // Fault injection, off by default: latency before every answer; a share of answers fail
    // (HTTP 500 with an HTML body, or TCP RST), drawn from a PRNG seeded with `seed`.
    std::chrono::milliseconds latency{0};
    double failRate = 0.0;
    std::uint64_t seed = 0;
    // httplib read/write timeout and keep-alive timeout.
    std::chrono::seconds timeout{5};
    // Null: the embedded demo catalogue.
    std::shared_ptr<const ActivityCatalogue> catalogue;
    // Cover URL base behind a reverse proxy such as nginx. Empty: baseURL().
    std::string publicURL;
    // Cover URL base from X-Forwarded-Proto and X-Forwarded-Host when both are well formed.
    bool trustForwardedHeaders = false;
};

// httplib::Server (or SSLServer) on its own threads: GET /api/v3/activities and covers.
class CatalogueServer {
public:
    // Returns once the accept loop runs. Sets SIGPIPE to SIG_IGN process-wide so a client
    // closing mid-answer cannot kill the process.
    static platform::Result<std::unique_ptr<CatalogueServer>> start(ServerOptions options);

    CatalogueServer(const CatalogueServer&) = delete;
    CatalogueServer& operator=(const CatalogueServer&) = delete;
    ~CatalogueServer();

    // "https://127.0.0.1:40123", no trailing slash.
    std::string baseURL() const;
    int port() const;
    // Empty for plain HTTP.
    std::string certificatePem() const;

    // Also done by the destructor.
    void stop();

private:
    struct Impl;
    explicit CatalogueServer(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}
