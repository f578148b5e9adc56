#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace wayfarer::platform {

enum class ImageFormat { jpeg, png, webp };

// From the magic number only; the rest of the bytes may still be invalid.
std::optional<ImageFormat> sniffImageFormat(std::string_view bytes);

// Checked on the header before any pixel allocation: larger images would take hundreds
// of MB as RGBA. maxImageSide is JPEG's own limit.
inline constexpr std::int64_t maxImagePixels = 50'000'000;
inline constexpr std::int64_t maxImageSide = 65'535;

bool imageDimensionsAllowed(std::int64_t width, std::int64_t height);

}
