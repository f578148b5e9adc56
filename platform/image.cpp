#include "image.h"

#include "image_decoder.h"

#include <atomic>

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
    auto pixels = decodeImagePixels(*format, bytes);
    if (!pixels)
        return nullptr;
    // Bodies arrive in buffers grown as they came; the image keeps them for its whole
    // life, so the spare capacity is given back now.
    bytes.shrink_to_fit();
    auto image = std::make_shared<const Image>(Private{}, std::move(bytes), *format, pixels->width,
                                               pixels->height, std::move(cache));
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

std::shared_ptr<const PixelBuffer> Image::pixels() const {
    if (auto cached = cache_->find(key_))
        return cached;
    auto pixels = decodeImagePixels(format_, bytes_);
    if (!pixels)
        return nullptr;
    return cache_->insert(key_, std::make_shared<const PixelBuffer>(std::move(*pixels)));
}

}
