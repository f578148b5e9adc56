#include "catalogue_server.h"

#include "activities_answer.h"
#include "activities_request.h"
#include "cover_cache.h"
#include "cover_renderer.h"
#include "fault_injector.h"
#include "search_index.h"
#include "tls_identity.h"

#include "platform/url.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <csignal>
#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <optional>
#include <thread>
#include <unordered_map>

namespace wayfarer::service {

namespace {

constexpr std::size_t maxQueryBytes = 8 * 1024;
constexpr std::size_t coverCacheBytes = 48 * 1024 * 1024;
// Without a charset parameter (JSON is UTF-8): httplib compresses only the bare type.
constexpr const char* jsonType = "application/json";

std::string hostForURL(const std::string& host) {
    if (host == "0.0.0.0" || host.empty())
        return "127.0.0.1";
    if (host == "::")
        return "[::1]";
    if (host.find(':') != std::string::npos)
        return "[" + host + "]";
    return host;
}

const char* statusMessage(int status) {
    switch (status) {
    case 400: return "bad request";
    case 404: return "no such path";
    case 405: return "only GET and HEAD are allowed";
    case 408: return "the request took too long to arrive";
    case 413: return "the request body is too large";
    case 414: return "the request is longer than 8 KiB";
    case 431: return "the request headers are too large";
    default: return status >= 500 ? "internal error" : "request refused";
    }
}

// X-Forwarded-Host: host[:port] only; no '/', '@', '?' or '#' that would end the
// authority and point cover URLs elsewhere.
bool isForwardedHost(std::string_view host) {
    if (host.empty() || host.size() > 255)
        return false;
    return std::all_of(host.begin(), host.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == ':' || c == '[' || c == ']';
    });
}

// The first, trimmed entry of a comma-separated X-Forwarded-* header.
std::string firstForwarded(const httplib::Request& request, const char* header) {
    std::string value = request.get_header_value(header);
    value.erase(std::min(value.find(','), value.size()));
    const auto first = value.find_first_not_of(' ');
    const auto last = value.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
}

int portOfAddress(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return -1;
}

// httplib::Request has remote/local address and port but no fd: found in /proc/self/fd
// by getsockname/getpeername. Plain HTTP only.
int plainSocketOf(const httplib::Request& request) {
    DIR* directory = opendir("/proc/self/fd");
    if (!directory)
        return -1;
    int found = -1;
    while (const dirent* entry = readdir(directory)) {
        const int fd = std::atoi(entry->d_name);
        if (fd <= 2 || fd == dirfd(directory))
            continue;
        sockaddr_storage local{}, peer{};
        socklen_t localSize = sizeof local, peerSize = sizeof peer;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) == 0 &&
            getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) == 0 &&
            portOfAddress(local) == request.local_port && portOfAddress(peer) == request.remote_port) {
            found = fd;
            break;
        }
    }
    closedir(directory);
    return found;
}

// SO_LINGER 0 plus a failing content provider: httplib closes and the kernel sends RST.
void resetConnection(const httplib::Request& request, httplib::Response& response) {
    const int fd = request.ssl ? SSL_get_fd(request.ssl) : plainSocketOf(request);
    if (fd >= 0) {
        const linger abort{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
    response.set_content_provider(1024, "application/json",
                                  [](std::size_t, std::size_t, httplib::DataSink&) { return false; });
}

void setNoDelay(socket_t socket) {
    const int on = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    // httplib sends an answer in several small writes; with Nagle the second waits for the
    // client's delayed ACK, ~40 ms per kept-alive request.
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

}

struct CatalogueServer::Impl {
    ServerOptions options;
    std::shared_ptr<const ActivityCatalogue> catalogue;
    SearchIndex index;
    std::unordered_map<std::string_view, std::uint32_t> byUuid;
    CoverCache covers{coverCacheBytes};
    FaultInjector faults;
    std::optional<TlsIdentity> identity;
    std::unique_ptr<httplib::Server> server;
    std::string baseURL;
    int port = 0;
    // Captured in httplib::Server::set_socket_options, before bind.
    socket_t listener = -1;
    std::thread thread;

    Impl(ServerOptions serverOptions, std::shared_ptr<const ActivityCatalogue> activities)
        : options(std::move(serverOptions)),
          catalogue(std::move(activities)),
          index(*catalogue),
          faults(options.failRate, options.seed) {
        byUuid.reserve(catalogue->activities.size());
        for (std::uint32_t i = 0; i < catalogue->activities.size(); ++i)
            byUuid.emplace(catalogue->activities[i].uuid, i);
    }

    void install();
    httplib::Server::HandlerResponse beforeRouting(const httplib::Request& request, httplib::Response& response);
    void answerActivities(const httplib::Request& request, httplib::Response& response) const;
    // Cover URL base: publicURL, X-Forwarded-*, or baseURL().
    std::string publicBase(const httplib::Request& request) const;
    void answerCover(const httplib::Request& request, httplib::Response& response);
};

void CatalogueServer::Impl::install() {
    // httplib ties a ThreadPool worker to each kept-alive connection; fewer workers than open
    // connections (CURLMOPT_MAX_HOST_CONNECTIONS is 6 per client) queue requests until keep-alive expires.
    server->new_task_queue = [] { return new httplib::ThreadPool(48); };
    server->set_socket_options([this](socket_t socket) {
        setNoDelay(socket);
        listener = socket;
    });
    server->set_tcp_nodelay(true);
    server->set_keep_alive_max_count(100000);
    server->set_keep_alive_timeout(options.timeout.count());
    server->set_read_timeout(options.timeout);
    server->set_write_timeout(options.timeout);
    server->set_payload_max_length(maxQueryBytes);
    server->set_pre_routing_handler(
        [this](const httplib::Request& request, httplib::Response& response) { return beforeRouting(request, response); });
    server->Get("/api/v3/activities", [this](const httplib::Request& request, httplib::Response& response) {
        answerActivities(request, response);
    });
    server->Get(R"(/covers/([^/]+)\.jpg)", [this](const httplib::Request& request, httplib::Response& response) {
        answerCover(request, response);
    });
    server->set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty() && !response.content_provider_)
            response.set_content(errorAnswer(response.status, statusMessage(response.status)), jsonType);
    });
    server->set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
        response.status = 500;
        response.set_content(errorAnswer(500, statusMessage(500)), jsonType);
    });
}

httplib::Server::HandlerResponse CatalogueServer::Impl::beforeRouting(const httplib::Request& request,
                                                                       httplib::Response& response) {
    if (options.latency.count() > 0)
        std::this_thread::sleep_for(options.latency);
    switch (faults.next()) {
    case FaultInjector::Fault::none:
        break;
    case FaultInjector::Fault::serverError:
        response.status = 500;
        response.set_content("<html><head><title>500 Internal Server Error</title></head>"
                             "<body><h1>Internal Server Error</h1></body></html>",
                             "text/html");
        return httplib::Server::HandlerResponse::Handled;
    case FaultInjector::Fault::connectionReset:
        resetConnection(request, response);
        return httplib::Server::HandlerResponse::Handled;
    }
    if (request.method != "GET" && request.method != "HEAD") {
        response.status = 405;
        response.set_header("Allow", "GET, HEAD");
        return httplib::Server::HandlerResponse::Handled;
    }
    const auto query = request.target.find('?');
    if (query != std::string::npos && request.target.size() - query - 1 > maxQueryBytes) {
        response.status = 414;
        return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
}

void CatalogueServer::Impl::answerActivities(const httplib::Request& request, httplib::Response& response) const {
    auto answer = answerActivitiesRequest(*catalogue, index, request.params,
                                          request.get_header_value("x-lorvanta-currency"),
                                          request.get_header_value("accept-language"), publicBase(request));
    response.status = answer.status;
    if (answer.status == 200)
        response.set_header("Vary", "Accept-Encoding, Accept-Language, X-Lorvanta-Currency");
    response.set_content(answer.body, jsonType);
}

std::string CatalogueServer::Impl::publicBase(const httplib::Request& request) const {
    if (options.trustForwardedHeaders) {
        const std::string proto = firstForwarded(request, "X-Forwarded-Proto");
        const std::string host = firstForwarded(request, "X-Forwarded-Host");
        if ((proto == "https" || proto == "http") && isForwardedHost(host))
            return proto + "://" + host;
    }
    return options.publicURL.empty() ? baseURL : options.publicURL;
}

void CatalogueServer::Impl::answerCover(const httplib::Request& request, httplib::Response& response) {
    const auto found = byUuid.find(request.matches[1].str());
    if (found == byUuid.end() || !catalogue->activities[found->second].hasCover) {
        response.status = 404;
        return;
    }
    const Activity& activity = catalogue->activities[found->second];
    const auto cover = covers.get(activity.uuid, [&] { return renderCover(activity); });
    if (!cover) {
        response.status = 500;
        return;
    }
    response.set_header("ETag", cover->etag);
    response.set_header("Cache-Control", "public, max-age=86400, immutable");
    if (request.get_header_value("If-None-Match") == cover->etag) {
        response.status = 304;
        return;
    }
    response.set_content(cover->jpeg, "image/jpeg");
}

CatalogueServer::CatalogueServer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

CatalogueServer::~CatalogueServer() {
    stop();
}

platform::Result<std::unique_ptr<CatalogueServer>> CatalogueServer::start(ServerOptions options) {
    const auto fail = [](std::string message) {
        return platform::Error{platform::ErrorCode::unknown, std::move(message)};
    };
    if (options.port < 0 || options.port > 65535)
        return fail("the port must be from 0 to 65535");
    if (!(options.failRate >= 0 && options.failRate <= 1))
        return fail("the failure rate must be from 0 to 1");
    while (options.publicURL.ends_with('/'))
        options.publicURL.pop_back();
    if (!options.publicURL.empty()) {
        const auto url = platform::URL::parse(options.publicURL);
        if (!url || (url->scheme() != "https" && url->scheme() != "http") || url->host().empty())
            return fail("the public address must be an http or https URL, not '" + options.publicURL + "'");
    }
    auto catalogue = options.catalogue;
    if (!catalogue)
        catalogue = std::shared_ptr<const ActivityCatalogue>(&embeddedCatalogue(), [](const ActivityCatalogue*) {});
    if (catalogue->activities.empty())
        return fail("the catalogue holds no activities");

    std::signal(SIGPIPE, SIG_IGN);
    auto impl = std::make_unique<Impl>(std::move(options), std::move(catalogue));
    if (impl->options.plainHttp) {
        impl->server = std::make_unique<httplib::Server>();
    } else {
        auto identity = TlsIdentity::make();
        if (!identity)
            return fail("cannot make the TLS certificate: " + identity.error().detail);
        impl->identity = std::move(*identity);
        impl->server = std::make_unique<httplib::SSLServer>(impl->identity->certificate(), impl->identity->key());
    }
    if (!impl->server->is_valid())
        return fail("cannot set up the server");
    impl->install();

    const std::string& host = impl->options.host;
    if (impl->options.port == 0) {
        impl->port = impl->server->bind_to_any_port(host);
        if (impl->port < 0)
            return fail("cannot listen on " + host);
    } else {
        if (!impl->server->bind_to_port(host, impl->options.port))
            return fail("cannot listen on " + host + ":" + std::to_string(impl->options.port));
        impl->port = impl->options.port;
    }
    // httplib calls listen(fd, 5); a front opening a connection per cover overflows it and
    // each dropped SYN costs a 1 s retransmit. A second listen() raises the backlog.
    if (impl->listener >= 0)
        ::listen(impl->listener, SOMAXCONN);
    impl->baseURL = std::string(impl->options.plainHttp ? "http" : "https") + "://" + hostForURL(host) + ":" +
                    std::to_string(impl->port);
    auto ended = std::make_shared<std::atomic<bool>>(false);
    impl->thread = std::thread([server = impl->server.get(), ended] {
        server->listen_after_bind();
        *ended = true;
    });
    // httplib::Server::stop() is lost if called before the accept loop runs.
    while (!impl->server->is_running()) {
        if (*ended) {
            impl->thread.join();
            return fail("the server could not start listening");
        }
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return std::unique_ptr<CatalogueServer>(new CatalogueServer(std::move(impl)));
}

void CatalogueServer::stop() {
    if (impl_->thread.joinable()) {
        impl_->server->stop();
        impl_->thread.join();
    }
}

std::string CatalogueServer::baseURL() const {
    return impl_->baseURL;
}

int CatalogueServer::port() const {
    return impl_->port;
}

std::string CatalogueServer::certificatePem() const {
    return impl_->identity ? impl_->identity->certificatePem() : std::string();
}

}
