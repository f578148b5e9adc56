#include "catalogue_fixture.h"

#include "catalogue/cover_queue.h"
#include "image_samples.h"

#include <gtest/gtest.h>

#include <map>

namespace wayfarer {
namespace {

// One transfer at a time: the order in which the server sees the covers is the queue's.
class CoverQueueTest : public testing::CatalogueFixture {
protected:
    void SetUp() override {
        CatalogueFixture::SetUp();
        server.server().Get(R"(/covers/(\w+)\.jpg)", [this](const httplib::Request& request, httplib::Response& response) {
            const std::string name = request.matches[1];
            {
                std::lock_guard lock(mutex_);
                served_.push_back(name);
            }
            mainLoop->post([] {});  // wakes runUntil to look
            if (name == "held")
                held_.opened.wait();
            response.set_content(*jpeg_, "image/jpeg");
        });
    }

    platform::URL url(const std::string& name) const {
        return *platform::URL::parse(server.baseURL() + "/covers/" + name + ".jpg");
    }
    std::string address(const std::string& name) const { return std::string(url(name).string()); }
    // Fetches `name`, counting the deliveries of this call in `deliveries[call]`.
    void fetch(const std::string& name, std::size_t call) {
        queue.fetch(url(name), [this, call](std::shared_ptr<const platform::Image> image) {
            ++deliveries[call];
            images += image != nullptr;
        }, CatalogueContext{&http, mainLoop}, platform::AddressSpace::local);  // the server is on loopback
    }
    std::vector<std::string> served() {
        std::lock_guard lock(mutex_);
        return served_;
    }

    CoverQueue queue{1};
    std::map<std::size_t, int> deliveries;
    int images = 0;
    testing::Gate held_;

private:
    const std::shared_ptr<const std::string> jpeg_ =
        std::make_shared<const std::string>(samples::encodeJpeg(samples::makePicture(30, 20, 1)));
    std::mutex mutex_;
    std::vector<std::string> served_;
};

TEST_F(CoverQueueTest, StartsWhatIsOnScreenFirstThenWhatWasShownLast) {
    fetch("held", 0);
    runUntil([&] { return served().size() == 1; });
    std::size_t call = 0;
    for (const char* name : {"a", "b", "c", "d", "e"})
        fetch(name, ++call);
    queue.shown(address("b"));
    queue.shown(address("c"));
    queue.shown(address("e"));
    queue.hidden(address("c"));  // c left the screen last of all
    queue.shown(address("a"));
    queue.shown(address("a"));  // two rows show a
    queue.hidden(address("a"));  // one is still on screen
    held_.open();
    runUntil([&] { return deliveries.size() == 6; });
    // On screen, most recently shown first: a, e, b; then c, hidden last; then d, fetched last.
    EXPECT_EQ(served(), (std::vector<std::string>{"held", "a", "e", "b", "c", "d"}));
    EXPECT_EQ(images, 6);
}

TEST_F(CoverQueueTest, OverlappingDownloadsShareOneTransferAndEachDeliversOnce) {
    fetch("held", 0);
    runUntil([&] { return served().size() == 1; });
    fetch("held", 1);  // running
    fetch("a", 2);
    fetch("a", 3);  // waiting
    held_.open();
    runUntil([&] { return deliveries.size() == 4; });
    EXPECT_EQ(served(), (std::vector<std::string>{"held", "a"}));
    fetch("a", 4);  // the earlier ones delivered: a transfer of its own
    runUntil([&] { return deliveries.size() == 5; });
    EXPECT_EQ(served(), (std::vector<std::string>{"held", "a", "a"}));
    // Runs what is posted by now: a second delivery of a call would be among it.
    mainLoop->post([this] { deliveries[99] = 0; });
    runUntil([&] { return deliveries.contains(99); });
    for (std::size_t call = 0; call < 5; ++call)
        EXPECT_EQ(deliveries[call], 1) << call;
    EXPECT_EQ(images, 5);
}

}
}
