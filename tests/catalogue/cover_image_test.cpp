#include "catalogue_fixture.h"

#include "image_samples.h"
#include "platform/image.h"

#include <gtest/gtest.h>

namespace wayfarer {
namespace {

using namespace std::chrono_literals;

using CoverImageTest = testing::CatalogueFixture;

TEST_F(CoverImageTest, StoresTheImageOrNothingAndNeverFetchesAgainByItself) {
    testing::Gate slowCover;  // held for the whole test: the time-out ends its download
    const auto jpeg = std::make_shared<const std::string>(samples::encodeJpeg(samples::makePicture(120, 80, 3)));
    // "missing" comes with a 404, "page" is HTML, "slow" waits for the gate.
    const auto serve = [jpeg, opened = slowCover.opened](const httplib::Request& request, httplib::Response& response) {
        const std::string name = request.matches[1];
        if (name == "slow")
            opened.wait();
        response.status = name == "missing" ? 404 : 200;
        if (name == "page")
            response.set_content("<html>not an image</html>", "text/html");
        else
            response.set_content(*jpeg, "image/jpeg");
    };
    server.server().Get(R"(/(\w+)\.(jpg|html))", serve);
    testing::TestServer secure{testing::Tls{{"covers.example"}}};
    secure.server().Get(R"(/(cover)\.jpg)", serve);
    secure.start();
    // The cover host's name pinned to loopback: nothing leaves the machine.
    platform::HttpClientOptions options;
    options.exclusiveCaPem = secure.certificatePem();
    options.pinnedHosts = {{"covers.example", secure.port(), "127.0.0.1"}};
    platform::HttpClient secureHttp(options);  // goes before `secure`, closing its connections

    const std::string plain = server.baseURL();
    const std::string https = secure.baseURL();
    const std::string named = "https://covers.example:" + std::to_string(secure.port());
    const struct {
        std::string url;  // none: the completion runs at once, before loadCoverImage returns
        bool image;
    } cases[] = {
        {"", false},
        {plain + "/cover.jpg", true},
        {plain + "/missing.jpg", true},
        {plain + "/page.html", false},
        {plain + "/nothing-here", false},
        {plain + "/slow.jpg", false},
        {https + "/cover.jpg", true},
        {named + "/cover.jpg", true},
        {"file:///etc/passwd", false},
        {"ftp://127.0.0.1/cover.jpg", false},
    };
    // One record throughout, so that a delivery of nothing must also remove an earlier image.
    const auto record = Attraction::make("a");
    record->origin = platform::AddressSpace::local;  // as read from a catalogue on this machine
    for (const auto& row : cases) {
        SCOPED_TRACE(row.url);
        record->coverURL = platform::URL::parse(row.url);
        record->didLoadImage = false;
        bool done = false;
        record->loadCoverImage([&] { done = true; }, {&secureHttp, mainLoop, 300ms});
        EXPECT_EQ(done, row.url.empty()) << "a started download completes from the main queue only";
        ASSERT_TRUE(runUntil([&] { return done; }));
        EXPECT_TRUE(record->didLoadImage);
        EXPECT_EQ(record->coverImg != nullptr, row.image);
        if (record->coverImg) {
            EXPECT_EQ(std::pair(record->coverImg->width(), record->coverImg->height()), std::pair(120, 80));
        }
    }
}

}
}
