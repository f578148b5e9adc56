// A catalogue on a public address: the program runs itself again under unshare -rn, with
// 192.0.2.10 (TEST-NET-1), 10.1.2.3 and 169.254.1.2 on the namespace's lo.

#include "catalogue_fixture.h"
#include "image_samples.h"
#include "platform/image.h"
#include "platform/run_loop.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

namespace wayfarer {
namespace {

using namespace std::chrono_literals;

// Why the tests cannot run here, or empty when they can.
std::string unavailable;

constexpr const char* publicAddress = "192.0.2.10";

// Names pinned to the namespace's addresses, for which `tlsTargets` holds a certificate.
const std::pair<const char*, const char*> names[] = {
    {"loopback.example", "127.0.0.1"}, {"private.example", "10.1.2.3"},
    {"linklocal.example", "169.254.1.2"}, {"public.example", publicAddress},
};

// An address an answer may name, and whether an internet catalogue may use it.
struct Target {
    const char* name;
    std::string base;
    bool fromTheInternet;
};

class AddressPolicy : public ::testing::Test {
protected:
    void SetUp() override {
        if (!unavailable.empty())
            GTEST_SKIP() << unavailable;
        for (auto* catalogue : {&publicCatalogue, &loopbackCatalogue}) {
            catalogue->server().Get("/api/v3/activities", [this](const httplib::Request& request,
                                                                 httplib::Response& response) {
                answerSearch(request.get_param_value("text"), response);
            });
        }
        for (auto* server : {&tlsTargets, &plainTargets})
            server->server().Get(R"(/(cover|search)(\d)(\.jpg)?)", [this](const httplib::Request& request,
                                                                    httplib::Response& response) {
                ++reached[std::stoul(request.matches[2])];
                if (request.matches[1] == "cover")
                    response.set_content(jpeg, "image/jpeg");
                else
                    response.set_content("{}", "application/json");
            });
        publicCatalogue.start(publicAddress);
        loopbackCatalogue.start();
        tlsTargets.start("0.0.0.0");  // reached at every address of the namespace
        plainTargets.start();

        const std::string port = std::to_string(tlsTargets.port());
        platform::HttpClientOptions options;
        options.exclusiveCaPem = publicCatalogue.certificatePem() + tlsTargets.certificatePem();
        options.pinnedHosts = {{"catalogue.example", publicCatalogue.port(), publicAddress}};
        targets = {Target{"https to 127.0.0.1", "https://127.0.0.1:" + port, false},
                   Target{"plain http to 127.0.0.1", plainTargets.baseURL(), false}};
        for (const auto& [name, address] : names) {
            options.pinnedHosts.push_back({name, tlsTargets.port(), address});
            targets.push_back({name, "https://" + std::string(name) + ":" + port, address == publicAddress});
        }
        http = std::make_unique<platform::HttpClient>(options);
    }

    // "covers": one record for each target's cover; "redirectN": a redirect to target N.
    void answerSearch(const std::string& text, httplib::Response& response) {
        if (text.starts_with("redirect")) {
            const std::size_t index = std::stoul(text.substr(8));
            response.set_redirect(targets[index].base + "/search" + std::to_string(index));
            return;
        }
        std::string data;
        for (std::size_t i = 0; i < targets.size(); ++i)
            data += (i ? ", " : "") + std::string(R"({"uuid": ")") + std::to_string(i) +
                    R"(", "cover_image_url": ")" + targets[i].base + "/cover" + std::to_string(i) + R"(.jpg"})";
        response.set_content(R"({"data": [)" + data + "]}", "application/json");
    }

    std::shared_ptr<DataTaskManager> transportFor(const std::string& baseURL) {
        return std::make_shared<DataTaskManager>(DataTaskManager::Configuration{
            baseURL, CatalogueContext{http.get(), mainLoop, 10s}, [] { return std::optional<std::string>("en"); }});
    }

    const std::string jpeg = samples::encodeJpeg(samples::makePicture(40, 30));
    std::array<std::atomic<int>, 6> reached{};
    std::vector<Target> targets;
    std::shared_ptr<platform::RunLoop> mainLoop = std::make_shared<platform::RunLoop>();
    testing::TestServer publicCatalogue{testing::Tls{{"catalogue.example"}}};
    testing::TestServer loopbackCatalogue;  // plain http, which only a catalogue on loopback may use
    testing::TestServer tlsTargets{
        testing::Tls{{"loopback.example", "private.example", "linklocal.example", "public.example"}}};
    testing::TestServer plainTargets;
    // Before the servers, closing its kept-alive connections so that they stop at once.
    std::unique_ptr<platform::HttpClient> http;

    void TearDown() override { http.reset(); }
};

TEST_F(AddressPolicy, ACatalogueOnTheInternetReachesNoLocalAddressThroughCoversOrRedirects) {
    const struct {
        const char* name;
        std::string baseURL;
        bool onTheInternet;
    } catalogues[] = {
        {"catalogue on the internet", "https://catalogue.example:" + std::to_string(publicCatalogue.port()), true},
        {"catalogue on loopback", loopbackCatalogue.baseURL(), false},
    };
    for (const auto& catalogue : catalogues) {
        SCOPED_TRACE(catalogue.name);
        const auto transport = transportFor(catalogue.baseURL);
        auto answer = testing::searchOnce(*transport, mainLoop, "covers");
        auto* page = std::get_if<DataTaskManager::Success>(&answer);
        ASSERT_TRUE(page && page->attractions && page->attractions->size() == targets.size());
        for (auto& counter : reached)
            counter = 0;
        int delivered = 0;
        for (const auto& record : *page->attractions)
            record->loadCoverImage([&] { ++delivered; }, transport->context());
        ASSERT_TRUE(mainLoop->runUntil([&] { return delivered == static_cast<int>(targets.size()); }, 20s));

        for (std::size_t i = 0; i < targets.size(); ++i) {
            const bool allowed = !catalogue.onTheInternet || targets[i].fromTheInternet;
            EXPECT_EQ((*page->attractions)[i]->coverImg != nullptr, allowed) << "cover, " << targets[i].name;
            const auto redirected = testing::searchOnce(*transport, mainLoop, "redirect" + std::to_string(i));
            const auto* failure = std::get_if<DataTaskManager::Failure>(&redirected);
            EXPECT_EQ(failure ? std::optional(failure->error.value_or(platform::Error{}).code) : std::nullopt,
                      allowed ? std::nullopt : std::optional(platform::ErrorCode::unsupportedURL))
                << "redirect, " << targets[i].name;
            EXPECT_EQ(reached[i], allowed ? 2 : 0) << targets[i].name << ": nothing is sent to a refused address";
        }
    }
}

}
}

int main(int argc, char** argv) {
    if (std::getenv("WAYFARER_IN_NAMESPACE") == nullptr) {
        if (std::system("unshare -rn true >/dev/null 2>&1") == 0) {
            setenv("WAYFARER_IN_NAMESPACE", "1", 1);
            std::vector<char*> arguments{const_cast<char*>("unshare"), const_cast<char*>("-rn")};
            arguments.insert(arguments.end(), argv, argv + argc);
            arguments.push_back(nullptr);
            execvp("unshare", arguments.data());
        }
        wayfarer::unavailable = "needs a user and network namespace of its own: unshare -rn failed (not permitted here?)";
    } else if (std::system("ip link set lo up && ip addr add 192.0.2.10/32 dev lo && "
                           "ip addr add 10.1.2.3/32 dev lo && ip addr add 169.254.1.2/32 dev lo") != 0) {
        std::fprintf(stderr, "cannot put the test's addresses on the namespace's lo (is iproute2 installed?)\n");
        return 1;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
