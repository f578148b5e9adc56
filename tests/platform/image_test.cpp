#include "image_samples.h"
#include "platform/image.h"
#include "platform/image_decode_queue.h"
#include "platform/image_decoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <cstdlib>
#include <future>
#include <mutex>
#include <new>
#include <numeric>
#include <thread>
#include <vector>

namespace {
// The largest operator new request since the last reset: did a decoder allocate before refusing?
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
    PixelBuffer opaque = picture;  // what a JPEG decodes to
    PixelBuffer grey = picture;    // what a greyscale PNG of the red channel decodes to
    for (std::size_t i = 0; i < picture.rgba.size(); i += 4) {
        opaque.rgba[i + 3] = grey.rgba[i + 3] = 255;
        grey.rgba[i + 1] = grey.rgba[i + 2] = grey.rgba[i];
    }
    const struct {
        const char* name;
        std::string bytes;
        ImageFormat format;
        double tolerance;  // mean difference per byte
        const PixelBuffer& expected;
    } cases[] = {
        {"JPEG", samples::encodeJpeg(picture, 95), ImageFormat::jpeg, 3, opaque},
        {"progressive JPEG", samples::encodeJpeg(picture, 95, true), ImageFormat::jpeg, 3, opaque},
        {"PNG", samples::encodePng(picture), ImageFormat::png, 0, picture},
        {"lossy WebP", samples::encodeWebp(picture, 95), ImageFormat::webp, 4, picture},
        {"lossless WebP", samples::encodeWebp(picture, 0, true), ImageFormat::webp, 0, picture},
        {"greyscale PNG", samples::encodePng(picture, true), ImageFormat::png, 0, grey},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const auto image = Image::decode(row.bytes);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->format(), row.format);
        EXPECT_EQ(std::pair(image->width(), image->height()), std::pair(37, 23));
        const auto pixels = image->pixels();
        ASSERT_NE(pixels, nullptr);
        ASSERT_EQ(pixels->rgba.size(), picture.rgba.size());
        const double difference = std::transform_reduce(pixels->rgba.begin(), pixels->rgba.end(),
                                                        row.expected.rgba.begin(), 0.0, std::plus<>(),
                                                        [](int a, int b) { return std::abs(a - b); });
        EXPECT_LE(difference / static_cast<double>(pixels->rgba.size()), row.tolerance);
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
        {"RIFF without WEBP", "RIFF\x04\x00\x00\x00WAVE"}, {"PNG after a space", " " + png},
        {"JPEG magic alone", "\xFF\xD8\xFF"}, {"PNG signature alone", "\x89PNG\r\n\x1A\n"},
        {"JPEG, all but the end marker", jpeg.substr(0, jpeg.size() - 2)},
        {"PNG, cut inside the last image data", png.substr(0, png.size() - 20)},
        {"PNG, image data damaged", damagedPng},
        {"WebP, all but the last byte", webp.substr(0, webp.size() - 1)},
        {"lossless WebP, first half", losslessWebp.substr(0, losslessWebp.size() / 2)},
        {"JPEG header, then HTML", jpeg.substr(0, 200) + "<html></html>"},
    };
    for (const auto& row : cases)
        EXPECT_EQ(Image::decode(row.bytes), nullptr) << row.name;
}

// Writes `value` as `size` big-endian bytes at `at`, as JPEG and PNG headers hold sizes.
void putBigEndian(std::string& bytes, std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * (size - 1 - i)));
}

// Headers patched to announce another size: the PNG's CRC mended, the WebP's VP8X canvas and VP8 frame.
TEST(Image, RefusesOversizedImagesFromTheHeaderBeforeTakingTheirMemory) {
    std::string png = samples::encodePng(picture);
    putBigEndian(png, 16, 7072, 4);
    putBigEndian(png, 20, 7071, 4);  // just over 50 megapixels
    putBigEndian(png, 29, crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17), 4);
    std::string jpeg = samples::encodeJpeg(picture);
    putBigEndian(jpeg, jpeg.find("\xFF\xC0") + 5, 10000, 2);
    putBigEndian(jpeg, jpeg.find("\xFF\xC0") + 7, 10000, 2);
    std::string webp = samples::encodeWebp(picture);
    webp.replace(webp.find("VP8X") + 12, 6, std::string("\xFE\x3F\0\xFE\x3F\0", 6));  // 16383 x 16383
    webp.replace(webp.find("VP8 ") + 14, 4, "\xFF\x3F\xFF\x3F");
    for (const auto& [name, bytes] : {std::pair("PNG", &png), std::pair("JPEG", &jpeg), std::pair("WebP", &webp)}) {
        largestAllocation = 0;
        EXPECT_EQ(Image::decode(*bytes), nullptr) << name;
        EXPECT_LT(largestAllocation, std::size_t{1} << 20) << name;
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

// Room for three images and a half: the least recently used goes first, and is decoded anew.
TEST(DecodedImageCache, StaysWithinItsBoundAndGivesMemoryBack) {
    const auto cache = std::make_shared<DecodedImageCache>(3 * pixelBytes + pixelBytes / 2);
    std::vector<std::shared_ptr<const Image>> images;
    for (std::uint32_t seed = 0; seed < 5; ++seed) {
        images.push_back(imageNumbered(seed, cache));
        ASSERT_EQ(cache->count(), std::min<std::size_t>(seed + 1, 3));
        ASSERT_EQ(cache->size(), cache->count() * pixelBytes);
    }
    const auto pixelsOf3 = images[3]->pixels();
    const auto pixelsOf4 = images[4]->pixels();
    const auto pixelsOf2 = images[2]->pixels();  // 3 is now the least recently used
    images.push_back(imageNumbered(5, cache));
    EXPECT_EQ(images[2]->pixels(), pixelsOf2) << "kept: the same buffer";
    EXPECT_EQ(images[4]->pixels(), pixelsOf4) << "kept: the same buffer";
    EXPECT_NE(images[3]->pixels(), pixelsOf3) << "dropped: a new buffer";
    for (std::uint32_t seed = 0; seed < images.size(); ++seed)
        EXPECT_EQ(images[seed]->pixels()->rgba, samples::makePicture(side, side, seed).rgba) << seed;

    images[5].reset();
    EXPECT_EQ(cache->size(), 2 * pixelBytes) << "a destroyed image leaves nothing behind";
    const auto mostRecent = images[4]->pixels();
    cache->setCapacity(pixelBytes);
    EXPECT_EQ(cache->count(), 1u);
    EXPECT_EQ(images[4]->pixels(), mostRecent) << "the most recently used stays";
    cache->clear();
    EXPECT_EQ(std::pair(cache->size(), cache->count()), std::pair(std::size_t{0}, std::size_t{0}));
    cache->setCapacity(pixelBytes - 1);
    EXPECT_NE(images[4]->pixels(), nullptr) << "pixels too large to keep are handed out";
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

// The mean difference per channel between `reduced` and `whole` averaged over blocks of the reduction.
double differenceFromAveraged(const PixelBuffer& whole, const PixelBuffer& reduced) {
    const int scale = whole.width / reduced.width;
    double difference = 0;
    for (int y = 0; y < reduced.height; ++y)
        for (int x = 0; x < reduced.width; ++x)
            for (int c = 0; c < 3; ++c) {
                double sum = 0;
                for (int wy = y * scale; wy < (y + 1) * scale; ++wy)
                    for (int wx = x * scale; wx < (x + 1) * scale; ++wx)
                        sum += whole.rgba[std::size_t(wy * whole.bytesPerRow + wx * 4 + c)];
                difference += std::abs(sum / (scale * scale) - reduced.rgba[std::size_t(y * reduced.bytesPerRow + x * 4 + c)]);
            }
    return difference / (reduced.width * reduced.height * 3);
}

// 80 x 48 reduces in the DCT to 10 x 6, 20 x 12 and 40 x 24, each the whole picture averaged.
TEST(JpegScaling, DecodesAtTheSmallestReductionThatCoversTheSizeAsked) {
    const std::string jpeg = samples::encodeJpeg(samples::makePicture(80, 48, 9), 95);
    const auto whole = decodeJpeg(jpeg);
    ASSERT_TRUE(whole);
    const struct {
        int minWidth, minHeight, width, height;
    } cases[] = {
        {0, 0, 10, 6},    {10, 6, 10, 6}, {11, 6, 20, 12},   {10, 13, 40, 24},
        {40, 24, 40, 24}, {41, 24, 80, 48}, {79, 1, 80, 48}, {500, 500, 80, 48},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(::testing::Message() << row.minWidth << " x " << row.minHeight);
        const auto pixels = decodeImagePixels(ImageFormat::jpeg, jpeg, row.minWidth, row.minHeight);
        ASSERT_TRUE(pixels.has_value());
        EXPECT_EQ(std::pair(pixels->width, pixels->height), std::pair(row.width, row.height));
        ASSERT_EQ(pixels->rgba.size(), std::size_t(row.width * row.height * 4));
        EXPECT_LE(differenceFromAveraged(*whole, *pixels), 4.0);
    }
    // Not reduced: PNG has no such decoding.
    const auto png = decodeImagePixels(ImageFormat::png, samples::encodePng(samples::makePicture(80, 48, 9)), 10, 6);
    ASSERT_TRUE(png.has_value());
    EXPECT_EQ(png->width, 80);
}

TEST(JpegScaling, ImageKeepsTheSizeOfTheWholePictureAndDecodesLargerOnlyWhenAsked) {
    const auto cache = std::make_shared<DecodedImageCache>();
    const auto image = Image::decode(samples::encodeJpeg(samples::makePicture(80, 48, 2)), cache);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(std::pair(image->width(), image->height()), std::pair(80, 48));
    const auto small = image->pixels(10, 6);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->width, 10) << "the checking decode's pixels serve the smallest size";
    const auto half = image->pixels(40, 24);
    ASSERT_NE(half, nullptr);
    EXPECT_EQ(half->width, 40);
    EXPECT_EQ(image->pixels(20, 12), half) << "larger pixels in the cache serve a smaller size";
    EXPECT_EQ(cache->count(), 1u);
    EXPECT_EQ(cache->size(), half->byteSize()) << "the larger pixels replaced the smaller";
    EXPECT_EQ(image->pixels()->width, 80);
}

// The first request's `done` holds the decoding thread while ranks change under the others.
TEST(DecodeImageAsync, DecodesOnOneThreadOfItsOwnHighestRankFirstAndEqualRanksInTheOrderAsked) {
    const std::string png = samples::encodePng(samples::makePicture(4, 4, 1));
    std::promise<std::thread::id> holding;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    decodeImageAsync(png, [&](std::shared_ptr<const Image>) {
        holding.set_value(std::this_thread::get_id());
        released.wait();
    });
    const std::thread::id worker = holding.get_future().get();
    EXPECT_NE(worker, std::this_thread::get_id());
    std::vector<std::shared_ptr<std::atomic<std::int64_t>>> ranks;
    std::mutex mutex;
    std::vector<std::pair<int, bool>> order;  // (request, decoded)
    int otherThreads = 0;
    std::promise<void> finished;
    const std::int64_t initial[] = {1, 5, 3, 5, 2};
    for (int i = 0; i < 5; ++i) {
        ranks.push_back(std::make_shared<std::atomic<std::int64_t>>(initial[i]));
        decodeImageAsync(i == 3 ? "<html>not an image</html>" : png, [&, i](std::shared_ptr<const Image> image) {
            std::lock_guard lock(mutex);
            order.emplace_back(i, image != nullptr);
            otherThreads += std::this_thread::get_id() != worker;
            if (order.size() == 5)
                finished.set_value();
        }, ranks.back());
    }
    ranks[4]->store(9);  // raised while waiting: goes first
    release.set_value();
    ASSERT_EQ(finished.get_future().wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(order, (std::vector<std::pair<int, bool>>{{4, true}, {1, true}, {3, false}, {2, true}, {0, true}}));
    EXPECT_EQ(otherThreads, 0);
}

}
}
