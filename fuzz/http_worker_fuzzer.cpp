// The HTTP client against a scripted server that answers as no well-behaved server does:
// any status line, headers and redirects, bodies cut short, chunked or too large, resets
// and silences, in any order, while libcurl refuses calls now and then and transfers are
// cancelled or their client destroyed mid-flight. After every script: each start() has
// had exactly one completion, on its client's worker thread, and no transfer whose
// initiator is on the internet has reached the server, which is on this machine.
//
// The program runs itself in a user and network namespace of its own (unshare -rn), so
// that whatever address a script names, nothing leaves it.
//
// Input: a header byte (bits 0-1: transfers - 1; bit 2: destroy the client while they
// run; bits 3-5: k > 1 fails the (k - 1)th curl_multi_add_handle; bit 6: every
// curl_easy_init fails), one byte per transfer (bits 0-2: first address; bit 3: initiator
// on the internet; bit 4: cancel at once; bits 5-6: body cap), then answers separated by
// 0xff, each a list of operations (see `answer`). The n-th request of transfer t gets
// answer (7t + n) mod count.

#include "fuzz_check.h"

#include "platform/http_calls.h"
#include "platform/http_client.h"
#include "service/tls_identity.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using namespace wayfarer::platform;
using namespace std::chrono_literals;

constexpr int maxRequestsPerTransfer = 12;  // the first and 5 redirects, each maybe once again on a fresh connection

struct TransferScript {
    int firstAddress = 0;
    bool internet = false;
    bool cancel = false;
    std::size_t maxBodySize = 8u << 20;
};

struct Script {
    // The input, which libFuzzer frees while the server may still answer a late request.
    std::string bytes;
    std::uint64_t generation = 0;
    std::vector<TransferScript> transfers;
    std::vector<std::string_view> answers;
    bool stopClient = false;
    int failAddHandleAt = 0;
    bool failEasyInit = false;
};

std::shared_ptr<const Script> parse(std::string_view data, std::uint64_t generation) {
    auto made = std::make_shared<Script>();
    Script& script = *made;
    script.bytes = data;
    script.generation = generation;
    std::string_view input = script.bytes;
    const std::uint8_t header = input.empty() ? 0 : static_cast<std::uint8_t>(input[0]);
    input.remove_prefix(std::min<std::size_t>(1, input.size()));
    script.stopClient = header & 0x04;
    script.failAddHandleAt = std::max(0, ((header >> 3) & 7) - 1);
    script.failEasyInit = header & 0x40;
    constexpr std::size_t caps[] = {8u << 20, 16, 1024, 8u << 20};
    for (int t = 0; t <= (header & 3); ++t) {
        const std::uint8_t byte = input.empty() ? 0 : static_cast<std::uint8_t>(input[0]);
        input.remove_prefix(std::min<std::size_t>(1, input.size()));
        script.transfers.push_back({byte & 7, (byte & 0x08) != 0, (byte & 0x10) != 0, caps[(byte >> 5) & 3]});
    }
    while (!input.empty()) {
        const std::size_t end = std::min(input.find('\xff'), input.size());
        script.answers.push_back(input.substr(0, end));
        input.remove_prefix(std::min(end + 1, input.size()));
    }
    return made;
}

// Fault injection for the one client at a time, read on its worker thread.
std::atomic<int> addHandleCalls = 0;
std::atomic<int> failAddHandleAt = 0;
std::atomic<bool> failEasyInit = false;

HttpCalls faultyCalls() {
    HttpCalls calls;
    calls.multiAddHandle = [](CURLM* multi, CURL* easy) {
        if (++addHandleCalls == failAddHandleAt)
            return CURLM_OUT_OF_MEMORY;
        return curl_multi_add_handle(multi, easy);
    };
    calls.easyInit = []() -> CURL* { return failEasyInit ? nullptr : curl_easy_init(); };
    return calls;
}

int listenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    FUZZ_CHECK(fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 && ::listen(fd, 64) == 0 &&
               ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0);
    port = ntohs(address.sin_port);
    return fd;
}

// Two ports on loopback served by one thread for the whole run; the script in force says
// how each request is answered.
class ScriptedServer {
public:
    ScriptedServer() {
        for (int i = 0; i < 2; ++i)
            listeners_[i] = listenOnLoopback(ports_[i]);
        int unused = 0;
        ::close(listenOnLoopback(unused));
        refusedPort_ = unused;
        wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        std::thread([this] { serve(); }).detach();
    }

    void play(std::shared_ptr<const Script> script) {
        {
            std::lock_guard lock(mutex_);
            script_ = std::move(script);
        }
        const std::uint64_t one = 1;
        static_cast<void>(::write(wakeFd_, &one, sizeof one));
    }

    std::string base(int port) const { return "http://127.0.0.1:" + std::to_string(port); }
    int port(int i) const { return ports_[i]; }
    int refusedPort() const { return refusedPort_; }

    // Where transfer `t` of the script in force starts.
    std::string firstAddress(const Script& script, std::size_t t) const {
        const std::string path = "/g" + std::to_string(script.generation) + "/t" + std::to_string(t) + "/h0";
        const std::string a = std::to_string(ports_[0]);
        const std::string addresses[] = {base(ports_[0]) + path,          base(ports_[1]) + path,
                                         "http://localhost:" + a + path,  "https://127.0.0.1:" + a + path,
                                         "http://far.example:" + a + path, "https://far.example:" + a + path,
                                         base(refusedPort_) + path,        "ftp://127.0.0.1:" + a + path};
        return addresses[script.transfers[t].firstAddress];
    }

private:
    struct Connection {
        int fd;
        std::string received;
        bool held = false;
        std::uint64_t generation = 0;  // of the script that held it
    };
    enum class Ending { keep, close, reset, hold };

    std::string location(std::uint8_t choice, std::string_view& ops) const {
        const std::string a = std::to_string(ports_[0]);
        switch (choice % 16) {
        case 0: return "/next";
        case 1: return base(ports_[0]) + "/next";
        case 2: return base(ports_[1]) + "/next";
        case 3: return "http://localhost:" + a + "/next";
        case 4: return "https://127.0.0.1:" + a + "/next";
        case 5: return "http://far.example:" + a + "/next";
        case 6: return "https://far.example:" + a + "/next";
        case 7: return "http://[::1]:" + a + "/next";
        case 8: return base(refusedPort_) + "/next";
        case 9: return "file:///etc/passwd";
        case 10: return "ftp://127.0.0.1/x";
        case 11: return "";
        case 12: return "//127.0.0.1:" + a + "/scheme-relative";
        case 13: return "http://10.0.0.1/";
        case 14: return "../up?x=%zz";
        default: {
            const std::size_t n = std::min<std::size_t>(ops.empty() ? 0 : static_cast<std::uint8_t>(ops[0]), ops.size());
            const std::string raw(ops.substr(std::min<std::size_t>(1, ops.size()), n));
            ops.remove_prefix(std::min(ops.size(), n + 1));
            return raw;
        }
        }
    }

    // One answer's bytes, written by its operations in turn, and how its connection ends:
    // closed, unless an operation keeps it open for the next request, resets it or holds
    // it silent. Closing by default keeps a cut answer from waiting out its time-out.
    Ending answer(std::string_view ops, std::string& out) const {
        static constexpr int statuses[] = {200, 201, 204, 206, 301, 302, 303, 307, 308, 304, 404, 500, 503, 101, 199, 999};
        static constexpr const char* lengths[] = {"100000", "-1", "abc", "9223372036854775808", "1, 2", ""};
        const auto operand = [&ops] {
            const std::uint8_t value = ops.empty() ? 0 : static_cast<std::uint8_t>(ops[0]);
            ops.remove_prefix(std::min<std::size_t>(1, ops.size()));
            return value;
        };
        if (ops.empty()) {
            out = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
            return Ending::keep;
        }
        while (!ops.empty()) {
            switch (operand() % 16) {
            case 0: out += "HTTP/1.1 " + std::to_string(statuses[operand() % 16]) + " X\r\n"; break;
            case 1: {
                const std::uint8_t n = operand();
                out += "Content-Length: " + (n < 250 ? std::to_string(n) : std::string(lengths[n - 250])) + "\r\n";
                break;
            }
            case 2: out += "Transfer-Encoding: chunked\r\n"; break;
            case 3: out += "Location: " + location(operand(), ops) + "\r\n"; break;
            case 4: out += "Connection: close\r\n"; break;
            case 5: out += "\r\n"; break;
            case 6: out += std::string(operand(), 'x'); break;
            case 7: out += std::string(64 * 1024, 'y'); break;
            case 8: {
                const std::uint8_t n = operand();
                char size[8];
                std::snprintf(size, sizeof size, "%x\r\n", n);
                out += size + std::string(n, 'z') + "\r\n";
                break;
            }
            case 9: out += "0\r\n\r\n"; break;
            case 10: {
                const std::size_t n = std::min<std::size_t>(operand(), ops.size());
                out += ops.substr(0, n);
                ops.remove_prefix(n);
                break;
            }
            case 11: return Ending::keep;
            case 12: return Ending::reset;
            case 13: return Ending::hold;
            case 14: out += "Content-Encoding: gzip\r\n"; break;
            default: out += "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"; break;
            }
        }
        return Ending::close;
    }

    // Answers one request head; false when the connection is done with.
    bool respond(Connection& connection, std::string_view head) {
        std::shared_ptr<const Script> script;
        {
            std::lock_guard lock(mutex_);
            script = script_;
        }
        // Requests carry their transfer in a header, which no answer can change.
        const std::size_t tag = head.find("\r\nx-fuzz: ");
        std::uint64_t generation = 0;
        std::size_t t = 0;
        const bool tagged = tag != std::string_view::npos &&
                            std::sscanf(std::string(head.substr(tag + 10, 40)).c_str(), "%lu.%zu", &generation, &t) == 2;
        std::string out;
        Ending ending = Ending::keep;
        if (!script || !tagged || generation != script->generation || t >= script->transfers.size()) {
            out = "HTTP/1.1 404 Stale\r\nContent-Length: 0\r\n\r\n";
        } else {
            FUZZ_CHECK(!script->transfers[t].internet);  // a local address reached for a server on the internet
            if (countedGeneration_ != generation) {
                countedGeneration_ = generation;
                requests_.fill(0);
            }
            const int n = requests_[t]++;
            FUZZ_CHECK(n < maxRequestsPerTransfer);  // a redirect loop is cut off
            if (script->answers.empty())
                ending = answer({}, out);
            else
                ending = answer(script->answers[(7 * t + n) % script->answers.size()], out);
        }
        sendAll(connection.fd, out);
        if (ending == Ending::hold) {
            connection.held = true;
            connection.generation = generation;
        }
        if (ending == Ending::reset) {
            const linger abortive{1, 0};
            ::setsockopt(connection.fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        }
        return ending == Ending::keep || ending == Ending::hold;
    }

    static void sendAll(int fd, std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent > 0) {
                bytes.remove_prefix(static_cast<std::size_t>(sent));
                continue;
            }
            pollfd writable{fd, POLLOUT, 0};
            if (sent == 0 || errno != EAGAIN || ::poll(&writable, 1, 1000) <= 0)
                return;
        }
    }

    // Reads what came; false when the connection is to be closed.
    bool receive(Connection& connection) {
        char buffer[16384];
        const ssize_t got = ::recv(connection.fd, buffer, sizeof buffer, 0);
        if (got <= 0)
            return got < 0 && errno == EAGAIN;
        if (connection.held)
            return true;
        connection.received.append(buffer, static_cast<std::size_t>(got));
        // A TLS hello, or anything else that is not a GET, is not waited out.
        if (!connection.received.starts_with(std::string_view("GET ").substr(0, connection.received.size())))
            return false;
        for (std::size_t end; !connection.held && (end = connection.received.find("\r\n\r\n")) != std::string::npos;) {
            const std::string head = connection.received.substr(0, end + 2);
            connection.received.erase(0, end + 4);
            if (!respond(connection, head))
                return false;
        }
        return true;
    }

    void serve() {
        std::vector<Connection> connections;
        while (true) {
            std::vector<pollfd> fds{{listeners_[0], POLLIN, 0}, {listeners_[1], POLLIN, 0}, {wakeFd_, POLLIN, 0}};
            for (const auto& connection : connections)
                fds.push_back({connection.fd, POLLIN, 0});
            ::poll(fds.data(), fds.size(), -1);
            std::vector<bool> done(connections.size(), false);
            for (std::size_t i = 0; i < connections.size(); ++i)
                if (fds[3 + i].revents != 0)
                    done[i] = !receive(connections[i]);
            if (fds[2].revents != 0) {
                std::uint64_t count = 0;
                static_cast<void>(::read(wakeFd_, &count, sizeof count));
                std::lock_guard lock(mutex_);
                // What a script held open ends with it.
                for (std::size_t i = 0; i < connections.size(); ++i)
                    done[i] = done[i] || (connections[i].held && connections[i].generation < script_->generation);
            }
            for (std::size_t i = connections.size(); i-- > 0;)
                if (done[i]) {
                    ::close(connections[i].fd);
                    connections.erase(connections.begin() + static_cast<std::ptrdiff_t>(i));
                }
            for (int l = 0; l < 2; ++l)
                if (fds[l].revents != 0)
                    for (int fd; (fd = ::accept4(listeners_[l], nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0;)
                        connections.push_back({fd, {}});
        }
    }

    int listeners_[2] = {-1, -1};
    int ports_[2] = {0, 0};
    int refusedPort_ = 0;
    int wakeFd_ = -1;
    std::mutex mutex_;
    std::shared_ptr<const Script> script_;
    // Server thread only: the requests of each transfer of one script.
    std::uint64_t countedGeneration_ = 0;
    std::array<int, 4> requests_{};
};

ScriptedServer& server() {
    static auto* const instance = new ScriptedServer;  // its thread serves until the process ends
    return *instance;
}

// A client and the thread that ran its first completion, which must run all of them.
struct Client {
    std::unique_ptr<HttpClient> http;
    std::shared_ptr<std::atomic<std::thread::id>> worker = std::make_shared<std::atomic<std::thread::id>>();
};

Client makeClient() {
    HttpClientOptions options;
    options.pinnedHosts = {{"far.example", server().port(0), "127.0.0.1"}};
    // One certificate of our own to trust, rather than the system's bundle to read for
    // every TLS hello the plain server turns away.
    static const auto identity = wayfarer::service::TlsIdentity::make();
    FUZZ_CHECK(identity.ok());
    options.exclusiveCaPem = identity->certificatePem();
    return Client{std::make_unique<HttpClient>(options, faultyCalls())};
}

struct Outcomes {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::optional<HttpResult>> results;
    std::size_t done = 0;
};

void checkOutcome(const TransferScript& transfer, const HttpResult& result) {
    // Whatever ended it (the policy, a cancel, a refused call, its time running out), the
    // server never saw it: ScriptedServer::respond checks that.
    if (transfer.internet) {
        FUZZ_CHECK(!result.ok());
        return;
    }
    if (result.ok()) {
        FUZZ_CHECK(result->body.size() <= transfer.maxBodySize);
        FUZZ_CHECK(result->status >= 100 && result->status <= 999);
        FUZZ_CHECK(result->server == AddressSpace::local);
    }
}

}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    if (std::getenv("WAYFARER_IN_NAMESPACE") == nullptr) {
        setenv("WAYFARER_IN_NAMESPACE", "1", 1);
        std::vector<char*> arguments{const_cast<char*>("unshare"), const_cast<char*>("-rn")};
        arguments.insert(arguments.end(), *argv, *argv + *argc);
        arguments.push_back(nullptr);
        execvp("unshare", arguments.data());
        std::fprintf(stderr, "http_worker_fuzzer: cannot run itself under unshare -rn\n");
        std::exit(1);
    }
    if (std::system("ip link set lo up") != 0) {
        std::fprintf(stderr, "http_worker_fuzzer: cannot bring up lo in its namespace\n");
        std::exit(1);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::uint64_t generation = 0;
    static Client client = makeClient();
    const auto script = parse(std::string_view(reinterpret_cast<const char*>(data), size), ++generation);
    server().play(script);
    addHandleCalls = 0;
    failAddHandleAt = script->failAddHandleAt;
    failEasyInit = script->failEasyInit;
    if (!client.http)
        client = makeClient();

    const auto outcomes = std::make_shared<Outcomes>();
    outcomes->results.resize(script->transfers.size());
    const auto caller = std::this_thread::get_id();
    for (std::size_t t = 0; t < script->transfers.size(); ++t) {
        const TransferScript& transfer = script->transfers[t];
        HttpRequest request;
        request.url = server().firstAddress(*script, t);
        request.headers = {{"x-fuzz", std::to_string(script->generation) + "." + std::to_string(t)}};
        request.requestTimeout = 1s;
        request.resourceTimeout = 25ms;  // what an answer held or cut short costs the run
        request.maxBodySize = transfer.maxBodySize;
        request.initiator = transfer.internet ? AddressSpace::internet : AddressSpace::local;
        auto task = client.http->start(request, [outcomes, t, caller, worker = client.worker](HttpResult result) {
            const auto here = std::this_thread::get_id();
            FUZZ_CHECK(here != caller);
            std::thread::id first{};
            FUZZ_CHECK(worker->compare_exchange_strong(first, here) || first == here);
            std::lock_guard lock(outcomes->mutex);
            FUZZ_CHECK(!outcomes->results[t].has_value());  // a second completion
            outcomes->results[t] = std::move(result);
            ++outcomes->done;
            outcomes->changed.notify_all();
        });
        if (transfer.cancel)
            task->cancel();
    }
    if (script->stopClient) {
        client.http.reset();  // runs every completion before it returns
        std::lock_guard lock(outcomes->mutex);
        FUZZ_CHECK(outcomes->done == script->transfers.size());
    }
    std::unique_lock lock(outcomes->mutex);
    const bool allDone = outcomes->changed.wait_for(lock, 8s, [&] { return outcomes->done == script->transfers.size(); });
    FUZZ_CHECK(allDone);  // a completion never came
    for (std::size_t t = 0; t < script->transfers.size(); ++t)
        checkOutcome(script->transfers[t], *outcomes->results[t]);
    return 0;
}
