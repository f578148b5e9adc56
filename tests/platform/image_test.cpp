#include "largest_allocation.h"

#include "image_samples.h"
#include "platform/image.h"
#include "platform/image_decoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace wayfarer::platform {
namespace {

// Odd sizes, so that a decoder mixing up width, height or row length shows.
const PixelBuffer picture = samples::makePicture(37, 23, 5);

// The mean difference per channel, over the colour channels only or all four.
double meanDifference(const PixelBuffer& a, const PixelBuffer& b, bool withAlpha) {
    double total = 0;
    std::size_t counted = 0;
    for (std::size_t i = 0; i < a.rgba.size(); ++i) {
        if (i % 4 == 3 && !withAlpha)
            continue;
        total += std::abs(int{a.rgba[i]} - int{b.rgba[i]});
        ++counted;
    }
    return total / static_cast<double>(counted);
}

// The picture as a greyscale PNG of its red channel decodes to.
PixelBuffer greyOf(PixelBuffer grey) {
    for (std::size_t i = 0; i < grey.rgba.size(); i += 4) {
        grey.rgba[i + 1] = grey.rgba[i + 2] = grey.rgba[i];
        grey.rgba[i + 3] = 255;
    }
    return grey;
}

TEST(Image, DecodesEachFormatToTheEncodedPicture) {
    enum class Alpha { opaque, kept };
    const PixelBuffer grey = greyOf(picture);
    const struct {
        const char* name;
        std::string bytes;
        ImageFormat format;
        Alpha alpha;
        double tolerance;  // mean difference per channel
        const PixelBuffer* expected = &picture;
    } cases[] = {
        {"JPEG", samples::encodeJpeg(picture, 95), ImageFormat::jpeg, Alpha::opaque, 4},
        {"progressive JPEG", samples::encodeJpeg(picture, 95, true), ImageFormat::jpeg, Alpha::opaque, 4},
        {"PNG", samples::encodePng(picture), ImageFormat::png, Alpha::kept, 0},
        {"lossy WebP", samples::encodeWebp(picture, 95), ImageFormat::webp, Alpha::kept, 4},
        {"lossless WebP", samples::encodeLosslessWebp(picture), ImageFormat::webp, Alpha::kept, 0},
        {"greyscale PNG", samples::encodeGrayPng(picture), ImageFormat::png, Alpha::opaque, 0, &grey},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const auto image = Image::decode(row.bytes);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->format(), row.format);
        EXPECT_EQ(image->width(), 37);
        EXPECT_EQ(image->height(), 23);
        EXPECT_EQ(image->encodedBytes(), row.bytes);

        const auto pixels = image->pixels();
        ASSERT_NE(pixels, nullptr);
        EXPECT_EQ(pixels->width, 37);
        EXPECT_EQ(pixels->height, 23);
        EXPECT_EQ(pixels->bytesPerRow, 37 * 4);
        ASSERT_EQ(pixels->rgba.size(), picture.rgba.size());
        const bool withAlpha = row.alpha == Alpha::kept;
        EXPECT_LE(meanDifference(*pixels, *row.expected, withAlpha), row.tolerance);
        if (row.tolerance == 0) {
            EXPECT_EQ(pixels->rgba, row.expected->rgba);
        }
        if (!withAlpha) {
            for (std::size_t i = 3; i < pixels->rgba.size(); i += 4)
                ASSERT_EQ(pixels->rgba[i], 255) << "byte " << i;
        }
    }
}

std::string truncated(const std::string& bytes, double fraction) {
    return bytes.substr(0, static_cast<std::size_t>(static_cast<double>(bytes.size()) * fraction));
}

std::string withByteFlipped(std::string bytes, std::size_t position) {
    bytes[position] = static_cast<char>(bytes[position] ^ 0x5A);
    return bytes;
}

TEST(Image, GivesNothingForBytesThatAreNoWholeImage) {
    const std::string jpeg = samples::encodeJpeg(picture);
    const std::string png = samples::encodePng(picture);
    const std::string webp = samples::encodeWebp(picture);
    const std::string losslessWebp = samples::encodeLosslessWebp(picture);
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"HTML", "<!DOCTYPE html><html><body>Not found</body></html>"},
        {"JSON", R"({"error": "not found"})"},
        {"GIF", "GIF89a\x01\x00\x01\x00\x00\x00\x00;"},
        {"JPEG magic alone", "\xFF\xD8\xFF"},
        {"PNG signature alone", "\x89PNG\r\n\x1A\n"},
        {"RIFF without WEBP", "RIFF\x04\x00\x00\x00WAVE"},
        {"PNG after a space", " " + png},
        {"JPEG, first quarter", truncated(jpeg, 0.25)},
        {"JPEG, first half", truncated(jpeg, 0.5)},
        {"JPEG, all but the end marker", jpeg.substr(0, jpeg.size() - 2)},
        {"PNG, first half", truncated(png, 0.5)},
        {"PNG, cut inside the last image data", png.substr(0, png.size() - 20)},
        {"PNG, image data damaged", withByteFlipped(png, png.find("IDAT") + 20)},
        {"WebP, first half", truncated(webp, 0.5)},
        {"WebP, all but the last byte", webp.substr(0, webp.size() - 1)},
        {"lossless WebP, first half", truncated(losslessWebp, 0.5)},
        {"JPEG header, then HTML", jpeg.substr(0, 200) + "<html></html>"},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(Image::decode(row.bytes), nullptr) << row.name;
        EXPECT_EQ(decodeImagePixels(row.bytes), std::nullopt) << row.name;
    }
}

// Writes a 16-bit big-endian value, as JPEG and PNG headers hold their sizes.
void putBigEndian16(std::string& bytes, std::size_t at, int value) {
    bytes[at] = static_cast<char>((value >> 8) & 0xFF);
    bytes[at + 1] = static_cast<char>(value & 0xFF);
}

// A real JPEG whose frame header is made to announce another size.
std::string jpegClaiming(int width, int height) {
    std::string bytes = samples::encodeJpeg(picture);
    const std::size_t frame = bytes.find("\xFF\xC0");
    putBigEndian16(bytes, frame + 5, height);
    putBigEndian16(bytes, frame + 7, width);
    return bytes;
}

// A real lossy WebP whose VP8 frame header is made to announce another size; each side
// has 14 bits.
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
        {"PNG of 10000 x 10000 (100 MP)", samples::pngHeaderOnly(10000, 10000)},
        {"PNG of 7072 x 7071 (just over 50 MP)", samples::pngHeaderOnly(7072, 7071)},
        {"PNG of 1 x 100000", samples::pngHeaderOnly(1, 100000)},
        {"PNG of 0 x 10", samples::pngHeaderOnly(0, 10)},
        {"JPEG of 10000 x 10000", jpegClaiming(10000, 10000)},
        {"JPEG of 65535 x 65535", jpegClaiming(65535, 65535)},
        {"JPEG of 37 x 0", jpegClaiming(37, 0)},
        {"WebP of 16383 x 16383", webpClaiming(16383, 16383)},
    };
    for (const auto& row : cases) {
        testing::resetLargestAllocation();
        EXPECT_EQ(Image::decode(row.bytes), nullptr) << row.name;
        EXPECT_LT(testing::largestAllocation(), std::size_t{1} << 20) << row.name;
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

}
}
