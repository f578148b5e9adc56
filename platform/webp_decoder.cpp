#include "image_decoder.h"

#include <webp/decode.h>

namespace wayfarer::platform {

std::optional<PixelBuffer> decodeWebp(std::string_view bytes) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    WebPBitstreamFeatures features{};
    if (WebPGetFeatures(data, bytes.size(), &features) != VP8_STATUS_OK)
        return std::nullopt;
    // Animations need WebPDemux; WebPDecodeRGBA refuses them, but only after we allocated.
    if (features.has_animation)
        return std::nullopt;
    auto buffer = allocatePixelBuffer(features.width, features.height);
    if (!buffer)
        return std::nullopt;

    if (WebPDecodeRGBAInto(data, bytes.size(), buffer->rgba.data(), buffer->rgba.size(), buffer->bytesPerRow)
        == nullptr)
        return std::nullopt;
    return buffer;
}

}
