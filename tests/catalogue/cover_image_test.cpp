#include "catalogue_fixture.h"

#include "image_samples.h"
#include "platform/image.h"

#include <gtest/gtest.h>

namespace wayfarer {
namespace {

using namespace std::chrono_literals;

class CoverImageTest : public testing::CatalogueFixture {
protected:
    void SetUp() override {
        CatalogueFixture::SetUp();
        // Shared with the handlers, which may still run while the fixture is torn down.
        const auto jpeg = std::make_shared<const std::string>(samples::encodeJpeg(samples::makePicture(120, 80, 3)));
        server.server().Get("/cover.jpg", [jpeg](const httplib::Request&, httplib::Response& response) {
            response.set_content(*jpeg, "image/jpeg");
        });
        server.server().Get("/page.html", [](const httplib::Request&, httplib::Response& response) {
            response.status = 200;
            response.set_content("<html>not an image</html>", "text/html");
        });
        server.server().Get("/missing.jpg", [jpeg](const httplib::Request&, httplib::Response& response) {
            response.status = 404;
            response.set_content(*jpeg, "image/jpeg");
        });
        server.server().Get("/slow.jpg", [jpeg, opened = slowCover.opened](const httplib::Request&, httplib::Response& response) {
            opened.wait();
            response.set_content(*jpeg, "image/jpeg");
        });
    }
    void TearDown() override {
        slowCover.open();
        CatalogueFixture::TearDown();
    }
    testing::Gate slowCover;  // held for the whole test: the time-out ends its download

    std::shared_ptr<Attraction> recordWithCover(const std::string& cover) {
        auto record = Attraction::make("a");
        record->coverURL = platform::URL::parse(cover);
        return record;
    }

    // Loads the cover and checks the completion never runs inside loadCoverImage.
    void load(const std::shared_ptr<Attraction>& record, std::chrono::milliseconds timeout = 10s) {
        bool done = false;
        record->loadCoverImage([&] { done = true; }, context(timeout));
        EXPECT_FALSE(done) << "a started download completes from the main queue only";
        runUntil([&] { return done; });
        EXPECT_TRUE(record->didLoadImage);
    }
};

TEST_F(CoverImageTest, StoresTheImageOrNothingAndNeverFetchesAgainByItself) {
    const struct {
        const char* path;
        bool image;
    } cases[] = {
        {"/cover.jpg", true},
        {"/missing.jpg", true},
        {"/page.html", false},
        {"/nothing-here", false},
        {"/slow.jpg", false},
    };
    for (const auto& row : cases) {
        const auto record = recordWithCover(server.baseURL() + row.path);
        load(record, 300ms);
        EXPECT_EQ(record->coverImg != nullptr, row.image) << row.path;
        if (record->coverImg) {
            EXPECT_EQ(record->coverImg->width(), 120);
            EXPECT_EQ(record->coverImg->height(), 80);
        }
    }
}

TEST_F(CoverImageTest, OtherSchemesAndMissingAddressesFetchNothing) {
    for (const char* cover : {"file:///etc/passwd", "ftp://127.0.0.1/cover.jpg"}) {
        const auto record = recordWithCover(cover);
        load(record);
        EXPECT_EQ(record->coverImg, nullptr) << cover;
    }
    const auto noCover = Attraction::make("b");
    bool done = false;
    noCover->loadCoverImage([&] { done = true; }, context());
    EXPECT_TRUE(done) << "without a cover address the completion runs at once";
    EXPECT_TRUE(noCover->didLoadImage);
}

TEST_F(CoverImageTest, TheLaterOfTwoOverlappingDeliveriesWins) {
    const auto record = recordWithCover(server.baseURL() + "/cover.jpg");
    int completions = 0;
    record->loadCoverImage([&] { ++completions; }, context());
    runUntil([&] { return completions == 1; });
    ASSERT_NE(record->coverImg, nullptr);
    record->coverURL = platform::URL::parse(server.baseURL() + "/page.html");
    record->loadCoverImage([&] { ++completions; }, context());
    runUntil([&] { return completions == 2; });
    EXPECT_EQ(record->coverImg, nullptr) << "a later delivery of nothing removes the earlier image";
}

}
}
