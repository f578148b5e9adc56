#include "image_samples.h"

#include <png.h>
#include <turbojpeg.h>
#include <webp/encode.h>
#include <zlib.h>

#include <cmath>
#include <memory>
#include <stdexcept>
#include <vector>

namespace wayfarer::samples {

namespace {

std::uint8_t clampToByte(double value) {
    return static_cast<std::uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, value))));
}

// A small integer hash (xorshift-multiply), enough for grain that does not repeat.
std::uint32_t hash(std::uint32_t value) {
    value ^= value >> 16;
    value *= 0x7feb352dU;
    value ^= value >> 15;
    value *= 0x846ca68bU;
    value ^= value >> 16;
    return value;
}

void appendBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void appendPngChunk(std::string& out, const char* type, const std::string& data) {
    appendBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    appendBigEndian(out, static_cast<std::uint32_t>(
                             crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
}

struct WebpFree {
    void operator()(std::uint8_t* data) const { WebPFree(data); }
};

std::string takeWebp(std::size_t size, std::uint8_t* data) {
    const std::unique_ptr<std::uint8_t, WebpFree> owned(data);
    if (size == 0)
        throw std::runtime_error("WebP encoding failed");
    return std::string(reinterpret_cast<const char*>(data), size);
}

}

platform::PixelBuffer makePicture(int width, int height, std::uint32_t seed, int grain) {
    platform::PixelBuffer picture{width, height, width * 4, {}};
    picture.rgba.resize(static_cast<std::size_t>(picture.bytesPerRow) * static_cast<std::size_t>(height));
    const double phase = seed * 0.61803398875;
    std::vector<double> red(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x)
        red[x] = 127.5 + 127.5 * std::sin(6.2832 * (static_cast<double>(x) / width + phase));
    for (int y = 0; y < height; ++y) {
        const double v = static_cast<double>(y) / height;
        const double green = 127.5 + 127.5 * std::cos(6.2832 * (v * 0.8 + phase * 1.7));
        for (int x = 0; x < width; ++x) {
            const double u = static_cast<double>(x) / width;
            std::uint8_t* pixel = &picture.rgba[static_cast<std::size_t>(y) * picture.bytesPerRow + x * 4];
            const double channel[3] = {red[x], green, 255.0 * (u + v) / 2.0};
            for (int c = 0; c < 3; ++c) {
                double noise = 0;
                if (grain > 0) {
                    const std::uint32_t h = hash(seed * 0x9E3779B9U ^ hash(static_cast<std::uint32_t>(y * width + x) * 3 + c));
                    noise = static_cast<int>(h % static_cast<std::uint32_t>(2 * grain + 1)) - grain;
                }
                pixel[c] = clampToByte(channel[c] + noise);
            }
            pixel[3] = static_cast<std::uint8_t>(128 + (x * 7 + y * 3) % 128);
        }
    }
    return picture;
}

std::string encodeJpeg(const platform::PixelBuffer& picture, int quality, bool progressive) {
    const std::unique_ptr<void, int (*)(tjhandle)> handle(tjInitCompress(), tjDestroy);
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const int flags = progressive ? TJFLAG_PROGRESSIVE : 0;
    if (tjCompress2(handle.get(), picture.rgba.data(), picture.width, picture.bytesPerRow, picture.height,
                    TJPF_RGBA, &jpeg, &size, TJSAMP_420, quality, flags) != 0) {
        tjFree(jpeg);
        throw std::runtime_error(tjGetErrorStr2(handle.get()));
    }
    std::string out(reinterpret_cast<const char*>(jpeg), size);
    tjFree(jpeg);
    return out;
}

std::string encodePng(const platform::PixelBuffer& picture, bool grey) {
    std::vector<std::uint8_t> reds;
    for (std::size_t i = 0; grey && i < picture.rgba.size(); i += 4)
        reds.push_back(picture.rgba[i]);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = grey ? PNG_FORMAT_GRAY : PNG_FORMAT_RGBA;
    const void* pixels = grey ? static_cast<const void*>(reds.data()) : picture.rgba.data();
    const int bytesPerRow = grey ? picture.width : picture.bytesPerRow;
    png_alloc_size_t size = 0;
    std::string out;
    for (int pass = 0; pass < 2; ++pass) {  // the first pass only measures
        if (png_image_write_to_memory(&image, pass ? out.data() : nullptr, &size, 0, pixels, bytesPerRow, nullptr) == 0)
            throw std::runtime_error(image.message);
        out.resize(size);
    }
    return out;
}

std::string encodeWebp(const platform::PixelBuffer& picture, float quality) {
    std::uint8_t* out = nullptr;
    const std::size_t size = WebPEncodeRGBA(picture.rgba.data(), picture.width, picture.height,
                                            picture.bytesPerRow, quality, &out);
    return takeWebp(size, out);
}

std::string encodeLosslessWebp(const platform::PixelBuffer& picture) {
    std::uint8_t* out = nullptr;
    const std::size_t size = WebPEncodeLosslessRGBA(picture.rgba.data(), picture.width, picture.height,
                                                    picture.bytesPerRow, &out);
    return takeWebp(size, out);
}

std::string pngHeaderOnly(std::uint32_t width, std::uint32_t height) {
    std::string out = "\x89PNG\r\n\x1A\n";
    std::string header;
    appendBigEndian(header, width);
    appendBigEndian(header, height);
    header += std::string("\x08\x06\x00\x00\x00", 5);
    appendPngChunk(out, "IHDR", header);
    appendPngChunk(out, "IEND", "");
    return out;
}

}
