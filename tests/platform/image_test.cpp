#include "image_samples.h"
#include "platform/image.h"
#include "platform/image_decode_queue.h"
#include "platform/image_decoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace {
// The largest single request made of the global operator new on any thread since the last
// reset: tells whether a decoder took memory for an image it should have refused first.
std::atomic<std::size_t> largestAllocation = 0;
}

void* operator new(std::size_t size) {
    std::size_t seen = largestAllocation.load(std::memory_order_relaxed);
    while (size > seen && !largestAllocation.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}

// Not inlined, so that the compiler sees every deletion meet its operator new.
[[gnu::noinline]] void operator delete(void* memory) noexcept { std::free(memory); }
[[gnu::noinline]] void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace wayfarer::platform {
namespace {

// Odd sizes, so that a decoder mixing up width, height or row length shows.
const PixelBuffer picture = samples::makePicture(37, 23, 5);

TEST(Image, DecodesEachFormatToTheEncodedPicture) {
    PixelBuffer grey = picture;  // what a greyscale PNG of the red channel decodes to
    for (std::size_t i = 0; i < grey.rgba.size(); i += 4) {
        grey.rgba[i + 1] = grey.rgba[i + 2] = grey.rgba[i];
        grey.rgba[i + 3] = 255;
    }
    const struct {
        const char* name;
        std::string bytes;
        ImageFormat format;
        bool opaque;
        double tolerance;  // mean difference per channel, alpha left out of opaque formats
        const PixelBuffer* expected = &picture;
    } cases[] = {
        {"JPEG", samples::encodeJpeg(picture, 95), ImageFormat::jpeg, true, 4},
        {"progressive JPEG", samples::encodeJpeg(picture, 95, true), ImageFormat::jpeg, true, 4},
        {"PNG", samples::encodePng(picture), ImageFormat::png, false, 0},
        {"lossy WebP", samples::encodeWebp(picture, 95), ImageFormat::webp, false, 4},
        {"lossless WebP", samples::encodeWebp(picture, 0, true), ImageFormat::webp, false, 0},
        {"greyscale PNG", samples::encodePng(picture, true), ImageFormat::png, true, 0, &grey},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const auto image = Image::decode(row.bytes);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->format(), row.format);
        EXPECT_EQ(std::pair(image->width(), image->height()), std::pair(37, 23));
        EXPECT_EQ(image->encodedBytes(), row.bytes);
        const auto pixels = image->pixels();
        ASSERT_NE(pixels, nullptr);
        EXPECT_EQ(std::tuple(pixels->width, pixels->height, pixels->bytesPerRow), std::tuple(37, 23, 37 * 4));
        ASSERT_EQ(pixels->rgba.size(), picture.rgba.size());
        double difference = 0;
        for (std::size_t i = 0; i < pixels->rgba.size(); ++i) {
            if (row.opaque && i % 4 == 3) {
                ASSERT_EQ(pixels->rgba[i], 255) << "byte " << i;
            } else {
                difference += std::abs(int{pixels->rgba[i]} - int{row.expected->rgba[i]});
            }
        }
        EXPECT_LE(difference / static_cast<double>(pixels->rgba.size() / 4 * (row.opaque ? 3 : 4)), row.tolerance);
    }
}

TEST(Image, GivesNothingForBytesThatAreNoWholeImage) {
    const std::string jpeg = samples::encodeJpeg(picture);
    const std::string png = samples::encodePng(picture);
    const std::string webp = samples::encodeWebp(picture);
    const std::string losslessWebp = samples::encodeWebp(picture, 0, true);
    std::string damagedPng = png;
    damagedPng[png.find("IDAT") + 20] ^= 0x5A;
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", ""}, {"HTML", "<!DOCTYPE html><html><body>Not found</body></html>"},
        {"JSON", R"({"error": "not found"})"}, {"GIF", "GIF89a\x01\x00\x01\x00\x00\x00\x00;"},
        {"JPEG magic alone", "\xFF\xD8\xFF"}, {"PNG signature alone", "\x89PNG\r\n\x1A\n"},
        {"RIFF without WEBP", "RIFF\x04\x00\x00\x00WAVE"},
        {"PNG after a space", " " + png},
        {"JPEG, first quarter", jpeg.substr(0, jpeg.size() / 4)}, {"JPEG, first half", jpeg.substr(0, jpeg.size() / 2)},
        {"JPEG, all but the end marker", jpeg.substr(0, jpeg.size() - 2)},
        {"PNG, first half", png.substr(0, png.size() / 2)},
        {"PNG, cut inside the last image data", png.substr(0, png.size() - 20)},
        {"PNG, image data damaged", damagedPng},
        {"WebP, first half", webp.substr(0, webp.size() / 2)},
        {"WebP, all but the last byte", webp.substr(0, webp.size() - 1)},
        {"lossless WebP, first half", losslessWebp.substr(0, losslessWebp.size() / 2)},
        {"JPEG header, then HTML", jpeg.substr(0, 200) + "<html></html>"},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(Image::decode(row.bytes), nullptr) << row.name;
        EXPECT_EQ(decodeImagePixels(row.bytes), std::nullopt) << row.name;
    }
}

// Writes `value` as `size` big-endian bytes at `at`, as JPEG and PNG headers hold sizes.
void putBigEndian(std::string& bytes, std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * (size - 1 - i)));
}

// Real images whose headers are made to announce another size (a PNG's with its checksum
// mended, a lossy WebP's in two 14-bit little-endian fields).
std::string pngClaiming(std::uint32_t width, std::uint32_t height) {
    std::string bytes = samples::encodePng(picture);
    putBigEndian(bytes, 16, width, 4);
    putBigEndian(bytes, 20, height, 4);
    putBigEndian(bytes, 29, crc32(0, reinterpret_cast<const Bytef*>(bytes.data() + 12), 17), 4);
    return bytes;
}

std::string jpegClaiming(int width, int height) {
    std::string bytes = samples::encodeJpeg(picture);
    const std::size_t frame = bytes.find("\xFF\xC0");
    putBigEndian(bytes, frame + 5, height, 2);
    putBigEndian(bytes, frame + 7, width, 2);
    return bytes;
}

std::string webpClaiming(int width, int height) {
    std::string bytes = samples::encodeWebp(picture);
    const std::size_t frame = bytes.find("VP8 ") + 8;
    bytes[frame + 6] = static_cast<char>(width & 0xFF);
    bytes[frame + 7] = static_cast<char>((width >> 8) & 0x3F);
    bytes[frame + 8] = static_cast<char>(height & 0xFF);
    bytes[frame + 9] = static_cast<char>((height >> 8) & 0x3F);
    return bytes;
}

TEST(Image, RefusesOversizedOrEmptyImagesFromTheHeaderBeforeTakingTheirMemory) {
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"PNG of 10000 x 10000 (100 MP)", pngClaiming(10000, 10000)},
        {"PNG of 7072 x 7071 (just over 50 MP)", pngClaiming(7072, 7071)},
        {"PNG of 1 x 100000", pngClaiming(1, 100000)},
        {"PNG of 0 x 10", pngClaiming(0, 10)},
        {"JPEG of 10000 x 10000", jpegClaiming(10000, 10000)},
        {"JPEG of 65535 x 65535", jpegClaiming(65535, 65535)},
        {"JPEG of 37 x 0", jpegClaiming(37, 0)},
        {"WebP of 16383 x 16383", webpClaiming(16383, 16383)},
    };
    for (const auto& row : cases) {
        largestAllocation = 0;
        EXPECT_EQ(Image::decode(row.bytes), nullptr) << row.name;
        EXPECT_LT(largestAllocation, std::size_t{1} << 20) << row.name;
    }
}

TEST(ImageDimensions, AllowUpTo50MegapixelsAndSidesUpTo65535) {
    const struct {
        std::int64_t width;
        std::int64_t height;
        bool allowed;
    } cases[] = {
        {1, 1, true},         {1200, 800, true},      {7072, 7070, true},  {10000, 5000, true},
        {10000, 5001, false}, {65535, 1, true},       {1, 65536, false},   {0, 1, false},
        {1, 0, false},        {-4, -4, false},        {65535, 65535, false},
    };
    for (const auto& row : cases)
        EXPECT_EQ(imageDimensionsAllowed(row.width, row.height), row.allowed) << row.width << " x " << row.height;
}

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
