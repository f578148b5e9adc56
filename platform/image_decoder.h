#pragma once

#include "image_format.h"
#include "pixel_buffer.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace wayfarer::platform {

// Whole-image decoders into RGBA8888. Each reads the header first and refuses the
// dimensions that imageDimensionsAllowed refuses before taking any pixel memory; damaged
// or truncated data anywhere in the image gives nothing, never a partly decoded image.
std::optional<PixelBuffer> decodeJpeg(std::string_view bytes);
// Reduced in the DCT by the smallest of 1/8, 1/4 and 1/2 that leaves the picture at least
// `minWidth` x `minHeight`; whole when none does.
std::optional<PixelBuffer> decodeJpeg(std::string_view bytes, int minWidth, int minHeight);
// The whole picture's width and height from a JPEG's header.
std::optional<std::pair<int, int>> jpegSize(std::string_view bytes);
std::optional<PixelBuffer> decodePng(std::string_view bytes);
std::optional<PixelBuffer> decodeWebp(std::string_view bytes);

// Decodes bytes in the format their magic number announces; nothing for any other bytes.
std::optional<PixelBuffer> decodeImagePixels(std::string_view bytes);
std::optional<PixelBuffer> decodeImagePixels(ImageFormat format, std::string_view bytes);
// At least `minWidth` x `minHeight` where the format can decode smaller (JPEG); whole otherwise.
std::optional<PixelBuffer> decodeImagePixels(ImageFormat format, std::string_view bytes, int minWidth,
                                             int minHeight);

// A zeroed buffer for a width x height image, or nothing when the
// dimensions are refused or the memory cannot be had. The decoders' one way to get pixels.
std::optional<PixelBuffer> allocatePixelBuffer(std::int64_t width, std::int64_t height);

}
