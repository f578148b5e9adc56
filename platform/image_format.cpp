#include "image_format.h"

namespace wayfarer::platform {

namespace {

bool startsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

}

std::optional<ImageFormat> sniffImageFormat(std::string_view bytes) {
    using namespace std::string_view_literals;
    if (startsWith(bytes, "\xFF\xD8\xFF"sv))
        return ImageFormat::jpeg;
    if (startsWith(bytes, "\x89PNG\r\n\x1A\n"sv))
        return ImageFormat::png;
    if (bytes.size() >= 12 && startsWith(bytes, "RIFF"sv) && bytes.substr(8, 4) == "WEBP"sv)
        return ImageFormat::webp;
    return std::nullopt;
}

bool imageDimensionsAllowed(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= maxImageSide && height <= maxImageSide
        && width * height <= maxImagePixels;
}

}
