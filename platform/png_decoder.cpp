#include "image_decoder.h"

#include <png.h>

#include <memory>

namespace wayfarer::platform {

// libpng's simplified reading interface catches its own longjmp inside libpng, so no
// jump ever crosses a frame of ours with objects to destroy; failures come back as 0.
namespace {

struct PngImageFreer {
    void operator()(png_image* image) const { png_image_free(image); }
};

}

std::optional<PixelBuffer> decodePng(std::string_view bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    const std::unique_ptr<png_image, PngImageFreer> release(&image);

    // Reads the signature and the chunks before the first image data, not the pixels.
    if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) == 0)
        return std::nullopt;
    auto buffer = allocatePixelBuffer(image.width, image.height);
    if (!buffer)
        return std::nullopt;

    image.format = PNG_FORMAT_RGBA;
    if (png_image_finish_read(&image, nullptr, buffer->rgba.data(), buffer->bytesPerRow, nullptr) == 0)
        return std::nullopt;
    return buffer;
}

}
