#pragma once

#include "image_format.h"
#include "pixel_buffer.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace wayfarer::platform {

// Decoders to RGBA8888. imageDimensionsAllowed is checked on the header before any pixel
// allocation; damaged or truncated data gives nullopt, never a partial image.
std::optional<PixelBuffer> decodeJpeg(std::string_view bytes);
// libjpeg-turbo DCT scaling: the smallest of 1/8, 1/4, 1/2 still at least minWidth x
// minHeight, else full size.
std::optional<PixelBuffer> decodeJpeg(std::string_view bytes, int minWidth, int minHeight);
// From the header only.
std::optional<std::pair<int, int>> jpegSize(std::string_view bytes);
std::optional<PixelBuffer> decodePng(std::string_view bytes);
std::optional<PixelBuffer> decodeWebp(std::string_view bytes);

// Format sniffed from the magic number.
std::optional<PixelBuffer> decodeImagePixels(std::string_view bytes);
std::optional<PixelBuffer> decodeImagePixels(ImageFormat format, std::string_view bytes);
// Only JPEG can decode smaller; other formats are full size.
std::optional<PixelBuffer> decodeImagePixels(ImageFormat format, std::string_view bytes, int minWidth,
                                             int minHeight);

// Zeroed; nullopt when imageDimensionsAllowed refuses or allocation fails. All decoders
// allocate through it.
std::optional<PixelBuffer> allocatePixelBuffer(std::int64_t width, std::int64_t height);

}
