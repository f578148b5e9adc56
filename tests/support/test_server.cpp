#include "test_server.h"

#include "service/tls_identity.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace wayfarer::testing {

TestServer::TestServer(const Tls& tls) {
    const auto identity = service::TlsIdentity::make(tls.hostNames);
    if (!identity)
        throw std::runtime_error(identity.error().detail);
    // The server takes its own references to the certificate and the key.
    server_ = std::make_unique<httplib::SSLServer>(identity->certificate(), identity->key());
    certificatePem_ = identity->certificatePem();
}

void TestServer::stop() {
    server_->stop();
    if (thread_.joinable())
        thread_.join();
}

void TestServer::start(const std::string& host) {
    // An answer's head and body go out in separate writes, which Nagle's algorithm would
    // hold back until the client's delayed acknowledgement.
    server_->set_tcp_nodelay(true);
    host_ = host;
    port_ = server_->bind_to_any_port(host);
    if (port_ <= 0)
        throw std::runtime_error("cannot bind a port on " + host);
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // stop() does nothing until the accept loop runs, so a test that ends at once would
    // otherwise leave the destructor waiting for ever.
    while (!server_->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

std::string TestServer::baseURL() const {
    return (certificatePem_.empty() ? "http://" : "https://") + host_ + ":" + std::to_string(port_);
}

void serveRedirects(httplib::Server& server) {
    server.Get("/to", [](const httplib::Request& request, httplib::Response& response) {
        response.set_redirect(request.get_param_value("to"));
    });
}

namespace {

// Gives up after five seconds of silence, so that a client that never sends cannot hold
// the server's thread.
void readRequestHead(int socket) {
    const timeval limit{5, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    std::string head;
    char buffer[4096];
    for (ssize_t got = 1; got > 0 && head.find("\r\n\r\n") == std::string::npos;) {
        got = ::recv(socket, buffer, sizeof buffer, 0);
        head.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    }
}

}

int loopbackSocket(int& port, int backlog) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        (backlog > 0 && ::listen(fd, backlog) != 0) ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot bind a loopback port");
    port = ntohs(address.sin_port);
    return fd;
}

RawServer::RawServer(Script script) {
    listener_ = loopbackSocket(port_, 16);
    thread_ = std::thread([this, script = std::move(script)] {
        std::vector<int> held;
        for (int socket; (socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
            readRequestHead(socket);
            const Ending ending = script(socket);
            if (ending == Ending::hold) {
                held.push_back(socket);
                continue;
            }
            const linger abortive{1, 0};  // a close after a zero linger sends a reset
            if (ending == Ending::reset)
                ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
            else
                ::shutdown(socket, SHUT_WR);
            ::close(socket);
        }
        for (const int socket : held)
            ::close(socket);
    });
}

RawServer::~RawServer() {
    // On Linux, shutting a listening socket down ends the accept waiting on it.
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
}

void RawServer::send(int socket, const std::string& bytes) {
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t wrote = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (wrote <= 0)
            return;
        sent += static_cast<std::size_t>(wrote);
    }
}

}
