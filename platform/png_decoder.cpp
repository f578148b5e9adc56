#include "image_decoder.h"

#include <png.h>

#include <memory>

namespace wayfarer::platform {

// libpng's simplified API (png_image_*) catches its own longjmp internally: no jump
// crosses our frames, and failures return 0.
namespace {

struct PngImageFreer {
    void operator()(png_image* image) const { png_image_free(image); }
};

}

std::optional<PixelBuffer> decodePng(std::string_view bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    const std::unique_ptr<png_image, PngImageFreer> release(&image);

    // Reads up to the first IDAT only: dimensions before any pixel allocation.
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
