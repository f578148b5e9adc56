#include "image_decoder.h"

#include <new>

namespace wayfarer::platform {

std::optional<PixelBuffer> allocatePixelBuffer(std::int64_t width, std::int64_t height) {
    if (!imageDimensionsAllowed(width, height))
        return std::nullopt;
    PixelBuffer buffer;
    buffer.width = static_cast<int>(width);
    buffer.height = static_cast<int>(height);
    buffer.bytesPerRow = buffer.width * 4;
    try {
        buffer.rgba.resize(static_cast<std::size_t>(buffer.bytesPerRow) * static_cast<std::size_t>(height));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    return buffer;
}

std::optional<PixelBuffer> decodeImagePixels(ImageFormat format, std::string_view bytes) {
    switch (format) {
    case ImageFormat::jpeg: return decodeJpeg(bytes);
    case ImageFormat::png: return decodePng(bytes);
    case ImageFormat::webp: return decodeWebp(bytes);
    }
    return std::nullopt;
}

std::optional<PixelBuffer> decodeImagePixels(ImageFormat format, std::string_view bytes, int minWidth,
                                             int minHeight) {
    if (format == ImageFormat::jpeg)
        return decodeJpeg(bytes, minWidth, minHeight);
    return decodeImagePixels(format, bytes);
}

std::optional<PixelBuffer> decodeImagePixels(std::string_view bytes) {
    const auto format = sniffImageFormat(bytes);
    if (!format)
        return std::nullopt;
    return decodeImagePixels(*format, bytes);
}

}
