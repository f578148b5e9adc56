#pragma once

#include "decoded_image_cache.h"
#include "image_format.h"
#include "pixel_buffer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace wayfarer::platform {

// Holds the encoded bytes only; pixels come from DecodedImageCache, re-decoded after
// eviction. Immutable, thread-safe, shared as std::shared_ptr<const Image>.
class Image {
    struct Private {};

public:
    // Validates by decoding once (JPEG at 1/8 scale, which still reads every coefficient)
    // and caches those pixels. nullptr for anything not a whole JPEG, PNG or WebP (sniffed
    // from the bytes) or over 50 megapixels.
    static std::shared_ptr<const Image> decode(std::string bytes);
    static std::shared_ptr<const Image> decode(std::string bytes, std::shared_ptr<DecodedImageCache> cache);

    Image(Private, std::string bytes, ImageFormat format, int width, int height,
          std::shared_ptr<DecodedImageCache> cache);
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    ImageFormat format() const { return format_; }
    std::size_t encodedSize() const { return bytes_.size(); }
    std::string_view encodedBytes() const { return bytes_; }

    // Full size; nullptr only on allocation failure.
    std::shared_ptr<const PixelBuffer> pixels() const;
    // At least minWidth x minHeight (capped at full size): the cached pixels if big enough,
    // else the smallest libjpeg-turbo DCT scale that is, replacing the cache entry.
    std::shared_ptr<const PixelBuffer> pixels(int minWidth, int minHeight) const;

private:
    const std::string bytes_;
    const ImageFormat format_;
    const int width_;
    const int height_;
    // DecodedImageCache key, unique for the process lifetime.
    const std::uint64_t key_;
    const std::shared_ptr<DecodedImageCache> cache_;
};

}
