#include "image_samples.h"
#include "platform/image.h"
#include "platform/image_decode_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace wayfarer::platform {
namespace {

constexpr int side = 32;
constexpr std::size_t pixelBytes = side * side * 4;

std::shared_ptr<const Image> imageNumbered(std::uint32_t seed, const std::shared_ptr<DecodedImageCache>& cache) {
    return Image::decode(samples::encodePng(samples::makePicture(side, side, seed)), cache);
}

// Room for three images: the least recently used goes first, and comes back decoded anew.
TEST(DecodedImageCache, StaysWithinItsBoundDroppingTheLeastRecentlyUsedFirst) {
    const auto cache = std::make_shared<DecodedImageCache>(3 * pixelBytes + pixelBytes / 2);
    std::vector<std::shared_ptr<const Image>> images;
    for (std::uint32_t seed = 0; seed < 40; ++seed) {
        images.push_back(imageNumbered(seed, cache));
        ASSERT_NE(images.back(), nullptr);
        ASSERT_EQ(cache->count(), std::min<std::size_t>(seed + 1, 3));
        ASSERT_EQ(cache->size(), cache->count() * pixelBytes);
    }
    const auto& [a, b, c] = std::tie(images[37], images[38], images[39]);
    const auto pixelsOfB = b->pixels();
    const auto pixelsOfC = c->pixels();
    const auto pixelsOfA = a->pixels();  // b is now the least recently used
    const auto d = imageNumbered(40, cache);
    EXPECT_EQ(cache->count(), 3u);
    EXPECT_EQ(a->pixels(), pixelsOfA) << "kept: the same buffer";
    EXPECT_EQ(c->pixels(), pixelsOfC) << "kept: the same buffer";
    const auto decodedAgain = b->pixels();
    EXPECT_NE(decodedAgain, pixelsOfB) << "dropped: a new buffer";
    EXPECT_EQ(decodedAgain->rgba, pixelsOfB->rgba);
    for (std::uint32_t seed = 0; seed < 40; seed += 13)
        EXPECT_EQ(images[seed]->pixels()->rgba, samples::makePicture(side, side, seed).rgba) << seed;
}

TEST(DecodedImageCache, GivesBackMemoryAsImagesGoAndAsTheCapacityShrinks) {
    const auto cache = std::make_shared<DecodedImageCache>(4 * pixelBytes);
    auto first = imageNumbered(1, cache);
    const auto second = imageNumbered(2, cache);
    const auto third = imageNumbered(3, cache);
    first.reset();
    EXPECT_EQ(cache->size(), 2 * pixelBytes) << "a destroyed image leaves nothing behind";

    const auto heldOutside = second->pixels();
    cache->setCapacity(pixelBytes);
    EXPECT_EQ(cache->count(), 1u);
    EXPECT_EQ(second->pixels(), heldOutside) << "the most recently used stays";
    EXPECT_EQ(heldOutside->rgba.size(), pixelBytes) << "pixels held outside outlive the cache's copy";

    cache->clear();
    EXPECT_EQ(std::pair(cache->size(), cache->count()), std::pair(std::size_t{0}, std::size_t{0}));

    // Pixels too large to keep are handed out without being kept.
    cache->setCapacity(pixelBytes - 1);
    const auto tooLarge = imageNumbered(4, cache)->pixels();
    ASSERT_NE(tooLarge, nullptr);
    EXPECT_EQ(tooLarge->rgba.size(), pixelBytes);
    EXPECT_EQ(cache->size(), 0u);
}

// Room for three of the eight images, so that the threads keep evicting each other's.
TEST(DecodedImageCache, ServesManyThreadsAtOnce) {
    const auto cache = std::make_shared<DecodedImageCache>(3 * pixelBytes);
    std::vector<std::shared_ptr<const Image>> images;
    for (std::uint32_t seed = 0; seed < 8; ++seed)
        images.push_back(imageNumbered(seed, cache));
    std::atomic<int> wrong = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 60; ++i) {
                const std::size_t which = static_cast<std::size_t>(t * 3 + i) % images.size();
                const auto pixels = images[which]->pixels();
                if (pixels == nullptr || pixels->rgba != samples::makePicture(side, side, which).rgba)
                    ++wrong;
            }
        });
    threads.emplace_back([&] {
        for (std::uint32_t seed = 100; seed < 110; ++seed)
            imageNumbered(seed, cache);
        cache->setCapacity(2 * pixelBytes);
    });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_LE(cache->size(), 2 * pixelBytes);
}

TEST(DecodeImageAsync, DecodesOnItsOwnThreadInTheOrderAsked) {
    std::mutex mutex;
    std::condition_variable finished;
    std::vector<std::pair<int, int>> widthsInOrder;  // (request, width or -1 for nothing)
    std::vector<std::thread::id> threadsUsed;
    const std::string inputs[] = {
        samples::encodeJpeg(samples::makePicture(40, 10)),
        "<html>not an image</html>",
        samples::encodeWebp(samples::makePicture(20, 10)),
        samples::encodePng(samples::makePicture(30, 10)),
    };
    for (int request = 0; request < 4; ++request)
        decodeImageAsync(inputs[request], [&, request](std::shared_ptr<const Image> image) {
            std::lock_guard lock(mutex);
            widthsInOrder.emplace_back(request, image ? image->width() : -1);
            threadsUsed.push_back(std::this_thread::get_id());
            finished.notify_one();
        });
    std::unique_lock lock(mutex);
    ASSERT_TRUE(finished.wait_for(lock, std::chrono::seconds(20), [&] { return widthsInOrder.size() == 4; }));
    EXPECT_EQ(widthsInOrder, (std::vector<std::pair<int, int>>{{0, 40}, {1, -1}, {2, 20}, {3, 30}}));
    for (const auto id : threadsUsed) {
        EXPECT_NE(id, std::this_thread::get_id());
        EXPECT_EQ(id, threadsUsed.front()) << "one serial worker";
    }
}

TEST(DecodeImageAsync, LetsTheProcessExitWithDecodesStillWaiting) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const std::string cover = samples::encodeJpeg(samples::makePicture(600, 400, 1, 6));
            std::atomic<int> decoded = 0;
            for (int i = 0; i < 200; ++i)
                decodeImageAsync(cover, [&decoded](std::shared_ptr<const Image> image) { decoded += image ? 1 : 0; });
            while (decoded == 0)
                std::this_thread::yield();
            std::exit(decoded < 200 ? 3 : 4);
        },
        ::testing::ExitedWithCode(3), "");
}

}
}
