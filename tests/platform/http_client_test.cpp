#include "platform/http_client.h"
#include "platform/json.h"

#include "tests/support/test_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <set>

namespace wayfarer::platform {
namespace {

using testing::RawServer;
using testing::TestServer;
using namespace std::chrono_literals;

// The completion of a transfer, set from the worker; shared, so that one coming after the
// test gave up on it has somewhere to go.
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
        server.server().Get("/big", [](const Request& request, Response& response) {
            response.set_content(std::string(std::stoul(request.get_param_value("size")), 'x'), "text/plain");
        });
        server.server().Get("/big-chunked", [](const Request&, Response& response) {
            response.set_chunked_content_provider("text/plain", [](std::size_t offset, httplib::DataSink& sink) {
                const std::string chunk(64 * 1024, 'y');
                sink.write(chunk.data(), chunk.size());
                if (offset > (32u << 20))
                    sink.done();
                return true;
            });
        });
        server.server().Get("/slow", [opened = slow.opened](const Request&, Response& response) {
            opened.wait();
            response.set_content("late", "text/plain");
        });
        testing::serveRedirects(server.server());
        server.server().Get("/landing", [this](const Request&, Response& response) {
            ++plainLandings;
            response.set_content("plain", "text/plain");
        });
        server.start();
    }

    // Before the server, whose handlers count here until it stops.
    std::atomic<int> plainLandings = 0;
    TestServer server;
    testing::Gate slow;  // "/slow" answers once the test is over, before the server stops
    HttpClient client;
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

    request.url = server.baseURL() + "/big-chunked";
    request.maxBodySize = 8u << 20;
    EXPECT_EQ(errorOf(fetch(client, request)), ErrorCode::tooLarge) << "streamed without a length";
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

    const testing::RefusedPort refused;
    EXPECT_EQ(errorOf(fetch(client, get(refused.baseURL() + "/"))), ErrorCode::cannotConnectToHost);
}

TEST_F(HttpClientTest, FollowsHttpRedirectsOnlyAndAtMostFive) {
    std::string fiveHops = server.baseURL() + "/echo";
    for (int hop = 0; hop < 5; ++hop)
        fiveHops = testing::redirecting(server.baseURL(), fiveHops);
    const auto five = fetch(client, get(fiveHops));
    ASSERT_TRUE(five.ok());
    EXPECT_EQ(five->status, 200);
    const auto six = fetch(client, get(testing::redirecting(server.baseURL(), fiveHops)));
    EXPECT_EQ(errorOf(six), ErrorCode::tooManyRedirects);
    const auto toFile = fetch(client, get(testing::redirecting(server.baseURL(), "file:///etc/passwd")));
    EXPECT_EQ(errorOf(toFile), ErrorCode::unsupportedURL);
    for (const char* url : {"file:///etc/passwd", "ftp://127.0.0.1/x", "gopher://127.0.0.1/", "nonsense"})
        EXPECT_EQ(errorOf(fetch(client, get(url))), ErrorCode::unsupportedURL) << url;
}

TEST_F(HttpClientTest, EveryHopIsHttpsOrLoopbackHttpAndNeverHttpAfterHttps) {
    // Names pinned to loopback: an address wrongly let through still never leaves the machine.
    TestServer secure(testing::Tls{{"covers.example"}});
    testing::serveRedirects(secure.server());
    secure.server().Get("/landing", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("secure", "text/plain");
    });
    secure.start();
    HttpClientOptions options;
    options.exclusiveCaPem = secure.certificatePem();
    options.pinnedHosts = {{"covers.example", secure.port(), "127.0.0.1"}, {"far.example", server.port(), "127.0.0.1"}};
    HttpClient checked(options);

    const std::string plain = server.baseURL();
    const std::string far = "http://far.example:" + std::to_string(server.port());
    const std::string https = secure.baseURL();
    const std::string named = "https://covers.example:" + std::to_string(secure.port());
    const auto via = testing::redirecting;
    const struct {
        const char* name;
        std::string url;
        // The body of the landing reached, or nothing when the transfer is refused.
        std::optional<std::string> landed;
    } cases[] = {
        {"https to loopback http", via(https, plain + "/landing"), {}},
        {"https to http elsewhere", via(https, far + "/landing"), {}},
        {"https on a named host to http there", via(named, far + "/landing"), {}},
        {"https on a named host to loopback http", via(named, plain + "/landing"), {}},
        {"loopback http to https and back to http", via(plain, via(https, plain + "/landing")), {}},
        {"loopback http to http elsewhere", via(plain, far + "/landing"), {}},
        {"http elsewhere from the start", far + "/landing", {}},
        {"https to https on another host", via(https, named + "/landing"), "secure"},
        {"https to a relative address", via(https, "/landing"), "secure"},
        {"loopback http to loopback http", via(plain, plain + "/landing"), "plain"},
        {"loopback http to https", via(plain, https + "/landing"), "secure"},
    };
    for (const auto& row : cases) {
        plainLandings = 0;
        const auto result = fetch(checked, get(row.url));
        if (row.landed) {
            ASSERT_TRUE(result.ok()) << row.name << ": " << result.error().detail;
            EXPECT_EQ(result->body, *row.landed) << row.name;
        } else {
            EXPECT_EQ(errorOf(result), ErrorCode::unsupportedURL) << row.name;
            EXPECT_EQ(plainLandings, 0) << row.name << ": nothing is sent to a refused address";
        }
    }
}

TEST_F(HttpClientTest, EveryCompletionRunsOnceWhenManyRunAndTheClientGoesAway) {
    std::atomic<int> completions = 0;
    {
        HttpClient shortLived;
        for (int i = 0; i < 20; ++i)
            shortLived.start(get(server.baseURL() + (i % 2 ? "/echo" : "/slow")), [&](HttpResult) { ++completions; });
    }
    EXPECT_EQ(completions, 20);
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
