// Any bytes through one image decoder (the build picks JPEG, PNG or WebP). A decoded
// image is within the 50-megapixel limit, its buffer holds exactly its rows of RGBA, and
// decoding the same bytes again gives the same pixels, as the decoded-image cache relies
// on when it decodes a dropped picture anew.

#include "fuzz_check.h"

#include "platform/image_decoder.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace wayfarer::platform;
    constexpr ImageFormat format = ImageFormat::WAYFARER_FUZZ_FORMAT;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const auto pixels = decodeImagePixels(format, bytes);
    if (!pixels)
        return 0;
    FUZZ_CHECK(imageDimensionsAllowed(pixels->width, pixels->height));
    FUZZ_CHECK(pixels->bytesPerRow == pixels->width * 4);
    FUZZ_CHECK(pixels->rgba.size() == static_cast<std::size_t>(pixels->bytesPerRow) * pixels->height);
    const auto again = decodeImagePixels(format, bytes);
    FUZZ_CHECK(again && again->rgba == pixels->rgba);
    return 0;
}
