#include "platform/http_calls.h"
#include "platform/http_client.h"
#include "platform/json.h"

#include "tests/support/test_server.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <set>
#include <thread>
#include <variant>

namespace wayfarer::platform {
namespace {

using testing::RawServer;
using testing::TestServer;
using namespace std::chrono_literals;

// A transfer's completion, shared so that one coming after the test gave up has somewhere to go.
struct Awaited {
    std::shared_ptr<std::promise<HttpResult>> promise = std::make_shared<std::promise<HttpResult>>();
    std::future<HttpResult> future = promise->get_future();

    HttpCompletion completion() {
        return [promise = promise](HttpResult result) { promise->set_value(std::move(result)); };
    }
    // The result, or a failure of the test and an unknown error when none came in time.
    HttpResult get() {
        if (future.wait_for(30s) == std::future_status::ready)
            return future.get();
        ADD_FAILURE() << "the completion never ran";
        return Error{ErrorCode::unknown, "no completion"};
    }
};

HttpResult fetch(HttpClient& client, HttpRequest request) {
    Awaited awaited;
    client.start(std::move(request), awaited.completion());
    return awaited.get();
}

HttpRequest get(std::string url) {
    HttpRequest request;
    request.url = std::move(url);
    return request;
}

// `data` deflated as gzip or deflate; unfinished, flushed (Z_SYNC_FLUSH) but without its end.
std::string encode(std::string_view encoding, std::string_view data, bool finished) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, encoding == "gzip" ? 31 : 15, 9, Z_DEFAULT_STRATEGY);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    std::string out;
    char buffer[64 * 1024];
    do {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        deflate(&stream, finished ? Z_FINISH : Z_SYNC_FLUSH);
        out.append(buffer, sizeof buffer - stream.avail_out);
    } while (stream.avail_out == 0);
    deflateEnd(&stream);
    return out;
}

ErrorCode errorOf(const HttpResult& result) {
    EXPECT_FALSE(result.ok()) << "status " << result->status;
    return result.ok() ? ErrorCode::unknown : result.error().code;
}

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        using Request = httplib::Request;
        using Response = httplib::Response;
        server.server().Get("/echo", [](const Request& request, Response& response) {
            response.status = request.has_param("status") ? std::stoi(request.get_param_value("status")) : 200;
            const std::string port = std::to_string(request.remote_port);
            const std::string headers = request.get_header_value("accept") + "|" + request.get_header_value("x-custom");
            response.set_content(headers + "|" + port, "text/plain");
        });
        // As octet-stream, which httplib does not compress: the length announced is the body's;
        // with "chunked", streamed without a length.
        server.server().Get("/big", [](const Request& request, Response& response) {
            const std::size_t size = std::stoul(request.get_param_value("size"));
            if (!request.has_param("chunked"))
                return response.set_content(std::string(size, 'x'), "application/octet-stream");
            response.set_chunked_content_provider("application/octet-stream",
                                                  [size](std::size_t offset, httplib::DataSink& sink) {
                const std::string chunk(std::min<std::size_t>(16 * 1024, size - offset), 'y');
                sink.write(chunk.data(), chunk.size());
                if (offset + chunk.size() == size)
                    sink.done();
                return true;
            });
        });
        server.server().Get("/json", [this](const Request& request, Response& response) {
            acceptedEncodings = request.get_header_value("accept-encoding");
            response.set_content(json, "application/json");
        });
        // `json` (or "raw") in the encoding "as"; "held": N MiB of zeros, never ended.
        server.server().Get("/encoded", [this, opened = slow.opened](const Request& request, Response& response) {
            const std::string encoding = request.get_param_value("as");
            response.set_header("Content-Encoding", encoding);
            if (!request.has_param("held")) {
                const std::string raw = request.get_param_value("raw");
                response.set_content(raw.empty() ? encode(encoding, json, true) : raw, "text/x-encoded");
                return;
            }
            const std::size_t size = std::stoul(request.get_param_value("held")) << 20;
            auto start = std::make_shared<std::string>(encode(encoding, std::string(size, '\0'), false));
            response.set_chunked_content_provider("application/octet-stream",
                                                  [start, opened](std::size_t offset, httplib::DataSink& sink) {
                if (offset == 0)
                    return sink.write(start->data(), start->size());
                opened.wait();
                return false;
            });
        });
        server.server().Get("/slow", [opened = slow.opened](const Request&, Response& response) {
            opened.wait();
            response.set_content("late", "text/plain");
        });
        // Names pinned to loopback: an address wrongly let through still never leaves the machine.
        for (auto [target, landings, body] : {std::tuple(&server, &plainLandings, "plain"),
                                              std::tuple(&secure, &secureLandings, "secure")}) {
            testing::serveRedirects(target->server());
            target->server().Get("/landing", [landings, body](const Request&, Response& response) {
                ++*landings;
                response.set_content(body, "text/plain");
            });
            target->start();
        }
        HttpClientOptions options;
        options.exclusiveCaPem = secure.certificatePem();
        options.pinnedHosts = {{"covers.example", secure.port(), "127.0.0.1"}, {"far.example", server.port(), "127.0.0.1"}};
        checked = std::make_unique<HttpClient>(options);
    }

    // Before the servers, whose handlers count here until they stop.
    std::atomic<int> plainLandings = 0;
    std::atomic<int> secureLandings = 0;
    std::string acceptedEncodings;
    const std::string json = [] {
        std::string records;
        for (int i = 0; i < 500; ++i)
            records += (i ? "," : "") + std::string(R"({"uuid": "record-)") + std::to_string(i) + R"(", "title": "Rome"})";
        return R"({"data": [)" + records + "]}";
    }();
    TestServer server;
    TestServer secure{testing::Tls{{"covers.example"}}};
    testing::Gate slow;  // "/slow" and held bodies go on once the test is over, before the servers stop
    HttpClient client;
    std::unique_ptr<HttpClient> checked;  // trusts `secure`, with its name and far.example pinned
};

TEST_F(HttpClientTest, DeliversBodyAndStatusAndSendsTheCallersHeadersOverOneConnection) {
    std::set<std::string> ports;
    for (const int status : {200, 500, 200}) {  // an error status with a body is still a response
        auto request = get(server.baseURL() + "/echo?status=" + std::to_string(status));
        request.headers = {{"accept", "application/json"}, {"x-custom", "EUR"}};
        const auto result = fetch(client, request);
        ASSERT_TRUE(result.ok()) << status;
        EXPECT_EQ(result->status, status);
        const std::size_t port = result->body.rfind('|');
        EXPECT_EQ(result->body.substr(0, port), "application/json|EUR");
        ports.insert(result->body.substr(port + 1));
        EXPECT_TRUE(hasJsonPadding(result->body));
    }
    EXPECT_EQ(ports.size(), 1u) << "the connection is kept alive between requests";
}

TEST_F(HttpClientTest, BodiesOverTheCapFailWithoutAPartialBody) {
    auto request = get(server.baseURL() + "/big?size=1000");
    request.maxBodySize = 1000;
    ASSERT_TRUE(fetch(client, request).ok()) << "a body exactly at the cap passes";
    request.url = server.baseURL() + "/big?size=1001";
    EXPECT_EQ(errorOf(fetch(client, request)), ErrorCode::tooLarge) << "announced by Content-Length";

    request.maxBodySize = 100'000;
    request.url = server.baseURL() + "/big?chunked=1&size=100000";
    const auto atCap = fetch(client, request);
    ASSERT_TRUE(atCap.ok()) << "streamed, exactly at the cap";
    EXPECT_LE(atCap->body.capacity(), request.maxBodySize + jsonPadding) << "the buffer never grows past the cap";
    request.url = server.baseURL() + "/big?chunked=1&size=100001";
    EXPECT_EQ(errorOf(fetch(client, request)), ErrorCode::tooLarge) << "streamed without a length";
}

// libcurl decodes what it is offered; the client must offer every encoding and cap the decoded bytes.
TEST_F(HttpClientTest, AsksForCompressedAnswersAndCapsTheDecodedBytes) {
    const auto answer = fetch(client, get(server.baseURL() + "/json"));  // httplib compresses it as br
    ASSERT_TRUE(answer.ok()) << answer.error().detail;
    EXPECT_TRUE(answer->body == json) << answer->body.size() << " bytes";
    EXPECT_TRUE(hasJsonPadding(answer->body));
    for (const char* encoding : {"gzip", "deflate", "br"})
        EXPECT_NE(acceptedEncodings.find(encoding), std::string::npos) << acceptedEncodings;
    const auto decoded = fetch(client, get(server.baseURL() + "/encoded?as=deflate"));
    ASSERT_TRUE(decoded.ok());
    EXPECT_TRUE(decoded->body == json) << decoded->body.size() << " bytes";
    const auto notGzip = fetch(client, get(server.baseURL() + "/encoded?as=gzip&raw=%7B%7D"));
    EXPECT_EQ(errorOf(notGzip), ErrorCode::cannotParseResponse);

    // Kilobytes that inflate to 16 MiB, then silence: a client that misses the cap times out.
    auto bomb = get(server.baseURL() + "/encoded?held=16&as=gzip");
    bomb.resourceTimeout = std::chrono::hours(1);
    bomb.requestTimeout = 5s;
    EXPECT_EQ(errorOf(fetch(client, bomb)), ErrorCode::tooLarge);
}

TEST_F(HttpClientTest, TimeOutsCancellationAndRefusal) {
    auto request = get(server.baseURL() + "/slow");
    request.resourceTimeout = 300ms;
    EXPECT_EQ(errorOf(fetch(client, request)), ErrorCode::timedOut);

    Awaited cancelled;
    auto task = client.start(get(server.baseURL() + "/slow"), cancelled.completion());
    task->cancel();
    EXPECT_EQ(errorOf(cancelled.get()), ErrorCode::cancelled) << "cancellation does not wait for the server";
    task->cancel();

    int port = 0;
    const int bound = testing::loopbackSocket(port, 0);  // never listening: connections are refused
    EXPECT_EQ(errorOf(fetch(client, get("http://127.0.0.1:" + std::to_string(port)))), ErrorCode::cannotConnectToHost);
    ::close(bound);
}

TEST_F(HttpClientTest, FollowsAtMostFiveRedirectsEachToHttpsOrLoopbackHttpAndNeverHttpAfterHttps) {
    const std::string plain = server.baseURL();
    const std::string far = "http://far.example:" + std::to_string(server.port());
    const std::string https = secure.baseURL();
    const std::string named = "https://covers.example:" + std::to_string(secure.port());
    const auto via = testing::redirecting;
    std::string fiveHops = plain + "/landing";
    for (int hop = 0; hop < 5; ++hop)
        fiveHops = via(plain, fiveHops);
    const ErrorCode refused = ErrorCode::unsupportedURL;
    const struct {
        const char* name;
        std::string url;
        std::variant<std::string, ErrorCode> outcome;  // the body of the landing reached, or the error
    } cases[] = {
        {"five redirects", fiveHops, "plain"},
        {"six redirects", via(plain, fiveHops), ErrorCode::tooManyRedirects},
        {"to a file", via(plain, "file:///etc/passwd"), refused},
        {"a file", "file:///etc/passwd", refused},
        {"ftp", "ftp://127.0.0.1/x", refused},
        {"gopher", "gopher://127.0.0.1/", refused},
        {"no address", "nonsense", refused},
        {"https to loopback http", via(https, plain + "/landing"), refused},
        {"https to http elsewhere", via(https, far + "/landing"), refused},
        {"https on a named host to http there", via(named, far + "/landing"), refused},
        {"https on a named host to loopback http", via(named, plain + "/landing"), refused},
        {"loopback http to https and back to http", via(plain, via(https, plain + "/landing")), refused},
        {"loopback http to http elsewhere", via(plain, far + "/landing"), refused},
        {"http elsewhere from the start", far + "/landing", refused},
        {"https to https on another host", via(https, named + "/landing"), "secure"},
        {"https to a relative address", via(https, "/landing"), "secure"},
        {"loopback http to loopback http", via(plain, plain + "/landing"), "plain"},
        {"loopback http to https", via(plain, https + "/landing"), "secure"},
    };
    for (const auto& row : cases) {
        plainLandings = 0;
        const auto result = fetch(*checked, get(row.url));
        if (const auto* body = std::get_if<std::string>(&row.outcome)) {
            ASSERT_TRUE(result.ok()) << row.name << ": " << result.error().detail;
            EXPECT_EQ(result->body, *body) << row.name;
        } else {
            EXPECT_EQ(errorOf(result), std::get<ErrorCode>(row.outcome)) << row.name;
            EXPECT_EQ(plainLandings, 0) << row.name << ": nothing is sent to a refused address";
        }
    }
}

TEST(HttpClientConnections, OverHttp1ConcurrentRequestsStillOpenConnectionsOfTheirOwn) {
    // Each answer waits until all six requests are in: one connection at a time never gets there.
    constexpr int together = 6;
    for (const bool tls : {false, true}) {
        std::mutex mutex;
        std::condition_variable arrived;
        int inFlight = 0;
        auto server = tls ? std::make_unique<TestServer>(testing::Tls{}) : std::make_unique<TestServer>();
        server->server().Get("/together", [&](const httplib::Request&, httplib::Response& response) {
            std::unique_lock lock(mutex);
            ++inFlight;
            arrived.notify_all();
            arrived.wait_for(lock, 20s, [&] { return inFlight >= together; });
            response.set_content(std::to_string(inFlight), "text/plain");
        });
        server->start();
        HttpClientOptions options;
        options.exclusiveCaPem = server->certificatePem();
        HttpClient client(options);
        std::vector<Awaited> answers(together);
        for (auto& answer : answers)
            client.start(get(server->baseURL() + "/together"), answer.completion());
        for (auto& answer : answers) {
            const auto result = answer.get();
            ASSERT_TRUE(result.ok()) << result.error().detail;
            EXPECT_EQ(result->body, std::to_string(together)) << (tls ? "https" : "http");
        }
    }
}

// Names pinned to loopback stand for public names that resolve to this machine.
TEST_F(HttpClientTest, ATransferForAServerOnTheInternetReachesNoLocalAddressOverANewOrAReusedConnection) {
    const struct {
        const char* name;
        std::string url;
        std::atomic<int>& landings;
    } cases[] = {
        {"plain http to loopback", server.baseURL() + "/landing", plainLandings},
        {"https to loopback", secure.baseURL() + "/landing", secureLandings},
        {"https to a name on loopback", "https://covers.example:" + std::to_string(secure.port()) + "/landing",
         secureLandings},
    };
    for (const auto& row : cases) {
        row.landings = 0;
        auto request = get(row.url);
        request.initiator = AddressSpace::internet;
        EXPECT_EQ(errorOf(fetch(*checked, request)), ErrorCode::unsupportedURL) << row.name << ", new connection";
        request.initiator = AddressSpace::local;
        const auto local = fetch(*checked, request);  // leaves its connection open for the next one
        ASSERT_TRUE(local.ok()) << row.name << ": " << local.error().detail;
        EXPECT_EQ(local->server, AddressSpace::local) << row.name;
        request.initiator = AddressSpace::internet;
        EXPECT_EQ(errorOf(fetch(*checked, request)), ErrorCode::unsupportedURL) << row.name << ", reused connection";
        EXPECT_EQ(row.landings, 1) << row.name << ": only the local initiator's request arrives";
    }
}

// A transfer started by a completion while the client stops completes, cancelled, after start returns.
TEST_F(HttpClientTest, EveryCompletionRunsOnceWhenTheClientGoesAwayIncludingThoseOfTransfersStartedMeanwhile) {
    auto stoppingClient = std::make_unique<HttpClient>();
    HttpClient* stopping = stoppingClient.get();  // reset() empties the pointer before the destructor runs
    std::atomic<int> completions = 0, late = 0;
    bool returned = false;
    bool ranInsideStart = true;
    std::optional<ErrorCode> lateError;
    for (int i = 0; i < 20; ++i)
        stoppingClient->start(get(server.baseURL() + (i % 2 ? "/echo" : "/slow")), [&](HttpResult) { ++completions; });
    stoppingClient->start(get(server.baseURL() + "/slow"), [&](HttpResult) {
        stopping->start(get(server.baseURL() + "/echo"), [&](HttpResult result) {
            ranInsideStart = !returned;
            lateError = result.ok() ? std::nullopt : std::optional(result.error().code);
            ++late;
        });
        returned = true;
    });
    stoppingClient.reset();
    EXPECT_EQ(completions, 20);
    EXPECT_EQ(late, 1);
    EXPECT_FALSE(ranInsideStart);
    EXPECT_EQ(lateError, ErrorCode::cancelled);
}

// Each row makes one of the calls the client depends on fail, or fail for ever.
TEST_F(HttpClientTest, EveryTransferCompletesOnceOnTheWorkerWhateverLibcurlRefuses) {
    std::atomic<int> polls = 0;
    const auto failingPoll = [&polls](CURLM*, curl_waitfd*, unsigned int, int, int*) {
        ++polls;
        return CURLM_UNRECOVERABLE_POLL;
    };
    const struct {
        const char* name;
        std::function<void(HttpCalls&)> breakCall;
        bool loads;
        const char* path = "/echo";
    } cases[] = {
        {"curl_global_init", [](HttpCalls& calls) { calls.globalInit = [] { return CURLE_FAILED_INIT; }; }, false},
        {"curl_multi_init", [](HttpCalls& calls) { calls.multiInit = []() -> CURLM* { return nullptr; }; }, false},
        {"curl_easy_init", [](HttpCalls& calls) { calls.easyInit = []() -> CURL* { return nullptr; }; }, false},
        {"curl_multi_add_handle",
         [](HttpCalls& calls) { calls.multiAddHandle = [](CURLM*, CURL*) { return CURLM_OUT_OF_MEMORY; }; }, false},
        {"curl_multi_poll, for ever", [&](HttpCalls& calls) { calls.multiPoll = failingPoll; }, false, "/slow"},
        // Without these the client does without a shared cache or its own wake-up.
        {"curl_share_init", [](HttpCalls& calls) { calls.shareInit = []() -> CURLSH* { return nullptr; }; }, true},
        {"eventfd", [](HttpCalls& calls) { calls.eventFd = [](unsigned int, int) { return -1; }; }, true},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        HttpCalls calls;
        row.breakCall(calls);
        polls = 0;
        struct Seen {
            std::atomic<int> count = 0;
            std::thread::id thread;
            std::optional<ErrorCode> error;
            std::promise<void> done;
        } seen[3];
        {
            HttpClient broken({}, calls);
            for (auto& transfer : seen)
                broken.start(get(server.baseURL() + row.path), [&transfer](HttpResult result) {
                    if (++transfer.count > 1)
                        return;
                    transfer.thread = std::this_thread::get_id();
                    transfer.error = result.ok() ? std::nullopt : std::optional(result.error().code);
                    transfer.done.set_value();
                });
            for (auto& transfer : seen)
                ASSERT_EQ(transfer.done.get_future().wait_for(30s), std::future_status::ready);
            EXPECT_LE(polls, 3 * 5) << "a poll that keeps failing is tried a few times, not in a spin";
        }
        for (const auto& transfer : seen) {
            EXPECT_EQ(transfer.count, 1);
            EXPECT_EQ(transfer.thread, seen[0].thread) << "one worker thread runs every completion";
            EXPECT_NE(transfer.thread, std::this_thread::get_id());
            EXPECT_EQ(transfer.error, row.loads ? std::nullopt : std::optional(ErrorCode::unknown));
        }
    }
}

TEST(HttpClientFaults, ResetsTruncationGarbageAndSilenceFailTheTransfer) {
    const std::string half = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n{\"data\": [";
    using enum RawServer::Ending;
    const struct {
        const char* name;
        std::string answer;  // sent whatever the request, before the connection ends as `ending` says
        RawServer::Ending ending;
        ErrorCode expected;
    } cases[] = {
        {"reset before answering", "", reset, ErrorCode::networkConnectionLost},
        {"closed before answering", "", close, ErrorCode::networkConnectionLost},
        {"truncated body", half, close, ErrorCode::networkConnectionLost},
        {"not HTTP at all", "SSH-2.0-OpenSSH_9.2\r\n", close, ErrorCode::cannotParseResponse},
        {"silence", "", hold, ErrorCode::timedOut},
    };
    HttpClient client;
    for (const auto& row : cases) {
        RawServer server([&row](int socket) {
            RawServer::send(socket, row.answer);
            return row.ending;
        });
        auto request = get(server.baseURL());
        request.requestTimeout = 1s;
        request.resourceTimeout = std::chrono::hours(1);  // beyond the wait in fetch: the silence limit ends it
        EXPECT_EQ(errorOf(fetch(client, request)), row.expected) << row.name;
    }
}

}
}
