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

// A decoded image that costs little to hold: it keeps its encoded bytes and its size,
// and hands out its pixels from a DecodedImageCache, decoding them again when the cache
// has dropped them. Immutable and shared (std::shared_ptr<const Image>); safe from any
// thread.
class Image {
    struct Private {};

public:
    // Decodes `bytes` once, to be sure they are an image (a JPEG reduced to an eighth, which
    // still reads every coefficient), and leaves the pixels in the cache. Nothing when the bytes are no JPEG, PNG or WebP, are damaged or
    // truncated, or hold an image over 50 megapixels. The format comes from the bytes
    // alone.
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

    // The decoded pixels, from the cache or decoded again, and then kept in the cache.
    // Null only when memory for them cannot be had.
    std::shared_ptr<const PixelBuffer> pixels() const;
    // Pixels at least `minWidth` x `minHeight` (or the whole picture when it is smaller):
    // those in the cache when they are large enough, else decoded at the smallest size
    // the format allows that is (a JPEG reduced in the DCT), replacing them in the cache.
    std::shared_ptr<const PixelBuffer> pixels(int minWidth, int minHeight) const;

private:
    const std::string bytes_;
    const ImageFormat format_;
    const int width_;
    const int height_;
    // The key of this image's pixels in the cache; never reused in the process.
    const std::uint64_t key_;
    const std::shared_ptr<DecodedImageCache> cache_;
};

}
