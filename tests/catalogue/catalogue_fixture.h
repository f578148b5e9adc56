#pragma once

#include "catalogue/data_manager.h"
#include "catalogue/data_task_manager.h"

#include "platform/run_loop.h"
#include "tests/support/test_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace wayfarer::testing {

struct Answer {
    int status = 200;
    std::string body;
    std::string contentType = "application/json";
    std::chrono::milliseconds delay{0};
};

// One activity record as the catalogue sends it.
inline std::string recordJson(const std::string& uuid) {
    return R"({"uuid": ")" + uuid +
           R"(", "title": "Title", "retail_price": {"formatted_value": "$10.00", "value": 10}, "operational_days": "Daily"})";
}

// An answer body with `meta.count` (none when negative) and the records of `uuids`.
inline std::string pageJson(const std::vector<std::string>& uuids, long long count) {
    std::string body = count < 0 ? std::string(R"({"meta": {}, "data": [)")
                                 : R"({"meta": {"count": )" + std::to_string(count) + R"(}, "data": [)";
    for (std::size_t i = 0; i < uuids.size(); ++i)
        body += (i ? ", " : "") + recordJson(uuids[i]);
    return body + "]}";
}

// One search, running `mainLoop` until its completion is posted there (at most 20 seconds).
inline DataTaskManager::Result searchOnce(DataTaskManager& transport, const std::shared_ptr<platform::RunLoop>& mainLoop,
                                          std::string_view text, Attraction::Currency currency = Attraction::Currency::USD) {
    // Shared with the completion, which may come after the test has given up on it.
    const auto result = std::make_shared<std::optional<DataTaskManager::Result>>();
    transport.fetchAttractions(text, currency, 0, [result, mainLoop](DataTaskManager::Result r) {
        mainLoop->post([result, r = std::move(r)] { *result = r; });
    });
    EXPECT_TRUE(mainLoop->runUntil([&] { return result->has_value(); }, std::chrono::seconds(20))) << "no completion";
    return result->value_or(DataTaskManager::Failure{});
}

struct SeenRequest {
    std::string text, offset, acceptLanguage, currency, accept;
    bool operator==(const SeenRequest&) const = default;
    friend void PrintTo(const SeenRequest& r, std::ostream* out) {
        *out << r.text << " " << r.offset << " " << r.acceptLanguage << " " << r.currency << " " << r.accept;
    }
};

// A catalogue on loopback whose answers the test writes, with an HTTP client and a main queue.
class CatalogueFixture : public ::testing::Test {
protected:
    void SetUp() override {
        server.server().Get("/api/v3/activities", [this](const httplib::Request& request, httplib::Response& response) {
            const SeenRequest seen{request.get_param_value("text"), request.get_param_value("offset"),
                                   request.get_header_value("accept-language"),
                                   request.get_header_value("x-lorvanta-currency"), request.get_header_value("accept")};
            std::function<Answer(const SeenRequest&)> responder;
            {
                std::lock_guard lock(mutex_);
                seen_.push_back(seen);
                responder = responder_;
            }
            const Answer answer = responder ? responder(seen) : Answer{200, "{}"};
            std::this_thread::sleep_for(answer.delay);
            response.status = answer.status;
            response.set_content(answer.body, answer.contentType.c_str());
        });
        server.start();
    }

    // Answers every activities request; runs on the server's threads.
    void answerWith(std::function<Answer(const SeenRequest&)> responder) {
        std::lock_guard lock(mutex_);
        responder_ = std::move(responder);
    }
    std::vector<SeenRequest> seenRequests() {
        std::lock_guard lock(mutex_);
        return seen_;
    }

    std::shared_ptr<DataTaskManager> makeTaskManager(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const CatalogueContext context{&http, mainLoop, timeout};
        return std::make_shared<DataTaskManager>(
            DataTaskManager::Configuration{server.baseURL(), context, [this] { return language; }});
    }

    // Runs the main queue until `done` holds, for at most 20 seconds: ASSERT_TRUE it.
    ::testing::AssertionResult runUntil(const std::function<bool()>& done) {
        if (mainLoop->runUntil(done, std::chrono::seconds(20)))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "timed out waiting";
    }

    std::shared_ptr<platform::RunLoop> mainLoop = std::make_shared<platform::RunLoop>();
    std::optional<std::string> language = "en";

private:
    testing::EnglishLocale locale_;
    std::mutex mutex_;
    std::function<Answer(const SeenRequest&)> responder_;
    std::vector<SeenRequest> seen_;

protected:
    // Destroyed first, the client closes its kept-alive connections so that the server stops at once.
    TestServer server;
    platform::HttpClient http;
};

}
