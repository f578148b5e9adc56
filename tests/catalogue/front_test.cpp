#include "catalogue/data_manager.h"
#include "catalogue/data_task_manager.h"
#include "platform/image.h"
#include "platform/run_loop.h"
#include "service/catalogue_server.h"
#include "catalogue_fixture.h"
#include "tests/support/nginx_front.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>

namespace wayfarer {
namespace {

using namespace std::chrono_literals;

// nginx (TLS, HTTP/2, gzip) in front of the catalogue, which names the front in its cover URLs.
class BehindNginx : public ::testing::Test {
protected:
    void SetUp() override {
        service::ServerOptions options;
        options.plainHttp = true;
        options.trustForwardedHeaders = true;
        options.timeout = 1s;  // stop() waits out the front's idle kept-alive connections
        auto started = service::CatalogueServer::start(options);
        ASSERT_TRUE(started.ok()) << started.error().detail;
        catalogue = std::move(*started);
        const std::string upstream = "127.0.0.1:" + std::to_string(catalogue->port());
        // A misconfigured location that sends clients from https to plain http.
        front = std::make_unique<testing::NginxFront>(
            upstream, "location /insecure/ { rewrite ^/insecure(/.*)$ http://" + upstream + "$1 redirect; }\n");
        http = newClient();
    }

    std::unique_ptr<platform::HttpClient> newClient() const {
        platform::HttpClientOptions options;
        options.exclusiveCaPem = front->certificatePem();
        return std::make_unique<platform::HttpClient>(options);
    }
    std::shared_ptr<DataTaskManager> transport(const std::string& baseURL) {
        const CatalogueContext context{http.get(), mainLoop};
        return std::make_shared<DataTaskManager>(DataTaskManager::Configuration{baseURL, context});
    }
    DataTaskManager::Result fetch(const std::string& baseURL, const std::string& text) {
        return testing::searchOnce(*transport(baseURL), mainLoop, text);
    }

    testing::EnglishLocale locale;
    std::shared_ptr<platform::RunLoop> mainLoop = std::make_shared<platform::RunLoop>();
    // Destroyed in reverse order: the client, the front, then the catalogue.
    std::unique_ptr<service::CatalogueServer> catalogue;
    std::unique_ptr<testing::NginxFront> front;
    std::unique_ptr<platform::HttpClient> http;
};

TEST_F(BehindNginx, PagesToTheEndAndCoversGoThroughTheFrontOverOneHttp2Connection) {
    auto session = std::make_shared<DataManager>(transport(front->baseURL()), mainLoop);
    for (int page = 0; !session->didFinishLoading(); ++page) {
        ASSERT_LT(page, 5) << "the end is never found";
        std::optional<DataManager::Result> result;
        session->loadAttractions(page == 0 ? std::optional<std::string>("rome") : std::nullopt, page > 0,
                                 [&](DataManager::Result r) { result = std::move(r); });
        ASSERT_TRUE(mainLoop->runUntil([&] { return result.has_value(); }, 20s));
        ASSERT_TRUE(std::holds_alternative<DataManager::Success>(*result)) << page;
    }
    EXPECT_EQ(session->attractions().size(), 30u);
    EXPECT_EQ(session->offsetPage(), 3);

    std::size_t covers = 0, delivered = 0;
    for (std::size_t i = 0; i < 10; ++i) {
        const auto& record = session->attractions()[i];
        if (!record->coverURL)
            continue;
        EXPECT_EQ(record->coverURL->string().rfind(front->baseURL() + "/covers/", 0), 0u) << record->coverURL->string();
        ++covers;
        record->loadCoverImage([&] { ++delivered; }, session->taskManager->context());
    }
    ASSERT_TRUE(mainLoop->runUntil([&] { return delivered == covers; }, 20s));
    for (std::size_t i = 0; i < 10; ++i)
        EXPECT_EQ(session->attractions()[i]->coverImg != nullptr, session->attractions()[i]->coverURL.has_value()) << i;

    const std::size_t sent = 4 + covers;
    const auto requests = front->requests(sent);
    ASSERT_EQ(requests.size(), sent);
    EXPECT_EQ(requests.front().contentEncoding, "gzip") << "a page of records";
    for (const auto& request : requests) {
        EXPECT_EQ(request.protocol, "HTTP/2.0") << request.target;
        EXPECT_EQ(request.status, 200) << request.target;
    }
    EXPECT_EQ(front->connectionsUsed(sent), 1u);
}

TEST_F(BehindNginx, ASearchAndTheCoversStartedBeforeItsConnectionIsUpShareThatConnection) {
    // The covers start while the search's connection may still be in its TLS handshake (PIPEWAIT).
    std::vector<std::string> covers;
    for (const auto& activity : service::embeddedCatalogue().activities)
        if (activity.hasCover && covers.size() < 10)
            covers.push_back(front->baseURL() + "/covers/" + activity.uuid + ".jpg");
    std::optional<DataTaskManager::Result> search;
    transport(front->baseURL())->fetchAttractions("rome", Attraction::Currency::USD, 0, [&](DataTaskManager::Result r) {
        mainLoop->post([&search, r = std::move(r)] { search = r; });
    });
    std::size_t images = 0, delivered = 0;
    for (const auto& cover : covers)
        DataTaskManager::downloadImage(*platform::URL::parse(cover), [&](std::shared_ptr<const platform::Image> image) {
            ++delivered;
            images += image != nullptr;
        }, CatalogueContext{http.get(), mainLoop}, platform::AddressSpace::local);  // as a record from a front on loopback
    ASSERT_TRUE(mainLoop->runUntil([&] { return search && delivered == covers.size(); }, 20s));
    EXPECT_TRUE(std::holds_alternative<DataTaskManager::Success>(*search));
    EXPECT_EQ(images, covers.size());
    EXPECT_EQ(front->connectionsUsed(covers.size() + 1), 1u);
}

TEST_F(BehindNginx, FollowsTheRedirectToHttpsRefusesOneBackToHttpAndAnswers503WithoutTheCatalogue) {
    const auto followed = fetch(front->plainURL(), "louvre");
    ASSERT_TRUE(std::holds_alternative<DataTaskManager::Success>(followed));
    EXPECT_FALSE(std::get<DataTaskManager::Success>(followed).attractions->empty());

    const auto refused = fetch(front->baseURL() + "/insecure", "louvre");
    ASSERT_TRUE(std::holds_alternative<DataTaskManager::Failure>(refused));
    const auto& error = std::get<DataTaskManager::Failure>(refused).error;
    EXPECT_EQ(error.value_or(platform::Error{}).code, platform::ErrorCode::unsupportedURL);

    catalogue->stop();
    EXPECT_TRUE(std::holds_alternative<DataTaskManager::Failure>(fetch(front->baseURL(), "paris")));
    const auto requests = front->requests(4);
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests.back().status, 503);
}

}
}
