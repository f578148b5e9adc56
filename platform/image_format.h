#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace wayfarer::platform {

enum class ImageFormat { jpeg, png, webp };

// The format that the bytes announce in their first bytes (their magic number), or
// nothing when they start like no format we decode. Says nothing about the rest.
std::optional<ImageFormat> sniffImageFormat(std::string_view bytes);

// The largest image we decode: 50 megapixels, and no side longer than a JPEG's.
// Larger images would cost hundreds of megabytes decoded and are refused from their
// header, before any pixel memory is taken.
inline constexpr std::int64_t maxImagePixels = 50'000'000;
inline constexpr std::int64_t maxImageSide = 65'535;

bool imageDimensionsAllowed(std::int64_t width, std::int64_t height);

}
