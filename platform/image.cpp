#include "image.h"

#include "image_decoder.h"

#include <algorithm>
#include <atomic>
#include <tuple>

namespace wayfarer::platform {

namespace {

std::uint64_t nextImageKey() {
    static std::atomic<std::uint64_t> next = 1;
    return next.fetch_add(1, std::memory_order_relaxed);
}

}

std::shared_ptr<const Image> Image::decode(std::string bytes) {
    return decode(std::move(bytes), DecodedImageCache::shared());
}

std::shared_ptr<const Image> Image::decode(std::string bytes, std::shared_ptr<DecodedImageCache> cache) {
    const auto format = sniffImageFormat(bytes);
    if (!format)
        return nullptr;
    auto pixels = decodeImagePixels(*format, bytes, 0, 0);
    if (!pixels)
        return nullptr;
    auto [width, height] = std::pair(pixels->width, pixels->height);
    if (*format == ImageFormat::jpeg) {
        const auto size = jpegSize(bytes);
        if (!size)
            return nullptr;
        std::tie(width, height) = *size;
    }
    // Bodies come with doubling growth and jsonPadding spare; the Image keeps them for life.
    bytes.shrink_to_fit();
    auto image = std::make_shared<const Image>(Private{}, std::move(bytes), *format, width, height,
                                               std::move(cache));
    image->cache_->insert(image->key_, std::make_shared<const PixelBuffer>(std::move(*pixels)));
    return image;
}

Image::Image(Private, std::string bytes, ImageFormat format, int width, int height,
             std::shared_ptr<DecodedImageCache> cache)
    : bytes_(std::move(bytes)), format_(format), width_(width), height_(height), key_(nextImageKey()),
      cache_(std::move(cache)) {}

Image::~Image() {
    cache_->erase(key_);
}

std::shared_ptr<const PixelBuffer> Image::pixels() const { return pixels(width_, height_); }

std::shared_ptr<const PixelBuffer> Image::pixels(int minWidth, int minHeight) const {
    minWidth = std::min(minWidth, width_);
    minHeight = std::min(minHeight, height_);
    auto cached = cache_->find(key_);
    if (cached && cached->width >= minWidth && cached->height >= minHeight)
        return cached;
    auto pixels = decodeImagePixels(format_, bytes_, minWidth, minHeight);
    if (!pixels)
        return nullptr;
    if (cached)
        cache_->erase(key_);
    return cache_->insert(key_, std::make_shared<const PixelBuffer>(std::move(*pixels)));
}

}
