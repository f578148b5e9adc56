#include <gtest/gtest.h>

#include "catalogue_fixture.h"

#include <thread>

namespace wayfarer::testing {

std::string recordJson(const std::string& uuid, const std::string& title) {
    return R"({"uuid": ")" + uuid + R"(", "title": ")" + title +
           R"(", "retail_price": {"formatted_value": "$10.00", "value": 10}, "operational_days": "Daily"})";
}

std::string pageJson(const std::vector<std::string>& uuids, long long count) {
    std::string body = count < 0 ? std::string(R"({"meta": {}, "data": [)")
                                 : R"({"meta": {"count": )" + std::to_string(count) + R"(}, "data": [)";
    for (std::size_t i = 0; i < uuids.size(); ++i)
        body += (i ? ", " : "") + recordJson(uuids[i]);
    return body + "]}";
}

void CatalogueFixture::SetUp() {
    setenv("LC_ALL", "en_US.UTF-8", 1);
    server.server().Get("/api/v3/activities", [this](const httplib::Request& request, httplib::Response& response) {
        SeenRequest seen{request.get_param_value("text"), request.get_param_value("offset"),
                         request.get_header_value("accept-language"), request.get_header_value("x-lorvanta-currency"),
                         request.get_header_value("accept")};
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

void CatalogueFixture::TearDown() { unsetenv("LC_ALL"); }

void CatalogueFixture::answerWith(std::function<Answer(const SeenRequest&)> responder) {
    std::lock_guard lock(mutex_);
    responder_ = std::move(responder);
}

std::vector<SeenRequest> CatalogueFixture::seenRequests() {
    std::lock_guard lock(mutex_);
    return seen_;
}

CatalogueContext CatalogueFixture::context(std::chrono::milliseconds timeout) {
    return CatalogueContext{&http, mainLoop, timeout};
}

std::shared_ptr<DataTaskManager> CatalogueFixture::makeTaskManager(std::chrono::milliseconds timeout) {
    return std::make_shared<DataTaskManager>(
        DataTaskManager::Configuration{server.baseURL(), context(timeout), [this] { return language; }});
}

void CatalogueFixture::runUntil(const std::function<bool()>& done) {
    ASSERT_TRUE(mainLoop->runUntil(done, std::chrono::seconds(20))) << "timed out waiting";
}

}
