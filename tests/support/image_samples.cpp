#include "image_samples.h"

#include <png.h>
#include <turbojpeg.h>
#include <webp/encode.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

namespace wayfarer::samples {

platform::PixelBuffer makePicture(int width, int height, std::uint32_t seed, int grain) {
    platform::PixelBuffer picture{width, height, width * 4, {}};
    picture.rgba.reserve(static_cast<std::size_t>(width) * height * 4);
    std::minstd_rand engine(seed);
    std::uniform_int_distribution<int> noise(-grain, grain);
    const double phase = seed * 0.61803398875;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = static_cast<double>(x) / width;
            const double v = static_cast<double>(y) / height;
            const double channels[3] = {127.5 + 127.5 * std::sin(6.2832 * (u + phase)),
                                        127.5 + 127.5 * std::cos(6.2832 * (v * 0.8 + phase * 1.7)),
                                        255.0 * (u + v) / 2.0};
            for (const double channel : channels) {
                const double value = std::clamp(channel + noise(engine), 0.0, 255.0);
                picture.rgba.push_back(static_cast<std::uint8_t>(std::lround(value)));
            }
            picture.rgba.push_back(static_cast<std::uint8_t>(128 + (x * 7 + y * 3) % 128));
        }
    }
    return picture;
}

std::string encodeJpeg(const platform::PixelBuffer& picture, int quality, bool progressive) {
    const std::unique_ptr<void, int (*)(tjhandle)> handle(tjInitCompress(), tjDestroy);
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const int failed = tjCompress2(handle.get(), picture.rgba.data(), picture.width, picture.bytesPerRow,
                                   picture.height, TJPF_RGBA, &jpeg, &size, TJSAMP_420, quality,
                                   progressive ? TJFLAG_PROGRESSIVE : 0);
    const std::string out(reinterpret_cast<const char*>(jpeg), failed ? 0 : size);
    tjFree(jpeg);
    if (failed)
        throw std::runtime_error(tjGetErrorStr2(handle.get()));
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
    std::string out(PNG_IMAGE_PNG_SIZE_MAX(image), '\0');
    png_alloc_size_t size = out.size();
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels, 0, nullptr))
        throw std::runtime_error(image.message);
    out.resize(size);
    return out;
}

std::string encodeWebp(const platform::PixelBuffer& picture, float quality, bool lossless) {
    const auto& [width, height, stride, rgba] = picture;
    std::uint8_t* data = nullptr;
    const std::size_t size = lossless ? WebPEncodeLosslessRGBA(rgba.data(), width, height, stride, &data)
                                      : WebPEncodeRGBA(rgba.data(), width, height, stride, quality, &data);
    const std::string out(reinterpret_cast<const char*>(data), size);
    WebPFree(data);
    if (size == 0)
        throw std::runtime_error("WebP encoding failed");
    return out;
}

}
