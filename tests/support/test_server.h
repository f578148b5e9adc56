#pragma once

#include <httplib.h>

#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace wayfarer::testing {

// Serves HTTPS with a certificate made for this server, valid for 127.0.0.1, localhost and
// `hostNames` (names a client pins to loopback, so that nothing leaves the machine).
struct Tls {
    std::vector<std::string> hostNames;
};

// An HTTP or HTTPS server on a free loopback port (or on `host`, inside a private network
// namespace), on its own thread; handlers are registered on server() before start().
class TestServer {
public:
    TestServer() = default;
    explicit TestServer(const Tls& tls);
    ~TestServer() { stop(); }

    httplib::Server& server() { return *server_; }
    void start(const std::string& host = "127.0.0.1");
    // Stops listening and waits for the handlers still running.
    void stop();
    int port() const { return port_; }
    std::string baseURL() const;  // http://HOST:PORT, or https:// with TLS
    // The certificate of a TLS server, for clients to trust; empty for plain HTTP.
    const std::string& certificatePem() const { return certificatePem_; }

private:
    std::unique_ptr<httplib::Server> server_ = std::make_unique<httplib::Server>();
    std::string certificatePem_;
    std::thread thread_;
    std::string host_;
    int port_ = 0;
};

// Serves "/to" on `server`: a redirect to the address in the query item "to".
void serveRedirects(httplib::Server& server);
// The address under `base` whose answer redirects to `to`, once serveRedirects ran there.
inline std::string redirecting(const std::string& base, const std::string& to) {
    return base + httplib::append_query_params("/to", {{"to", to}});
}

// A socket bound to a free loopback port, which it sets, listening when `backlog` is above zero.
int loopbackSocket(int& port, int backlog);

// A TCP server on loopback for answers no well-behaved server gives: on each connection it
// reads the request head, then the script writes raw bytes and says how the connection ends.
class RawServer {
public:
    enum class Ending { close, reset, hold };
    using Script = std::function<Ending(int socket)>;

    explicit RawServer(Script script);
    ~RawServer();

    std::string baseURL() const { return "http://127.0.0.1:" + std::to_string(port_); }
    static void send(int socket, const std::string& bytes);

private:
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
};

// Holds handlers waiting on a copy of `opened` until the test opens it, or at the latest
// when it goes, so that no server thread is left waiting after a failed assertion.
struct Gate {
    std::promise<void> promise;
    std::shared_future<void> opened = promise.get_future().share();
    bool isOpen = false;
    void open() {
        if (!std::exchange(isOpen, true))
            promise.set_value();
    }
    ~Gate() { open(); }
};

// LC_ALL=en_US.UTF-8 for its lifetime. The first member of a fixture, so that it is set
// before any client or server thread starts and put back after they are gone: libcurl
// reads the environment for every new connection.
struct EnglishLocale {
    EnglishLocale() { setenv("LC_ALL", "en_US.UTF-8", 1); }
    ~EnglishLocale() { unsetenv("LC_ALL"); }
    EnglishLocale(const EnglishLocale&) = delete;
    EnglishLocale& operator=(const EnglishLocale&) = delete;
};

}
