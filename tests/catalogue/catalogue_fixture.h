#pragma once

#include "catalogue/data_manager.h"
#include "catalogue/data_task_manager.h"

#include "platform/run_loop.h"
#include "tests/support/test_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace wayfarer::testing {

struct Answer {
    int status = 200;
    std::string body;
    std::string contentType = "application/json";
    std::chrono::milliseconds delay{0};
};

// One activity record as the catalogue sends it.
std::string recordJson(const std::string& uuid, const std::string& title = "Title");
// An answer body with `meta.count` (none when negative) and the records of `uuids`.
std::string pageJson(const std::vector<std::string>& uuids, long long count);

struct SeenRequest {
    std::string text;
    std::string offset;
    std::string acceptLanguage;
    std::string currency;
    std::string accept;
};

// A catalogue on loopback whose answers the test writes, with its own HTTP client and
// main queue, and a transport and a session on them.
class CatalogueFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Answers every activities request; runs on the server's threads.
    void answerWith(std::function<Answer(const SeenRequest&)> responder);
    std::vector<SeenRequest> seenRequests();

    std::shared_ptr<DataTaskManager> makeTaskManager(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    CatalogueContext context(std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Runs the main queue until `done` holds; fails the test after 20 seconds.
    void runUntil(const std::function<bool()>& done);

    std::shared_ptr<platform::RunLoop> mainLoop = std::make_shared<platform::RunLoop>();
    std::optional<std::string> language = "en";

private:
    std::mutex mutex_;
    std::function<Answer(const SeenRequest&)> responder_;
    std::vector<SeenRequest> seen_;

protected:
    // Destroyed in reverse order: the client first, closing its kept-alive connections so
    // the server stops at once, then the server, before the state its handlers use.
    TestServer server;
    platform::HttpClient http;
};

}
