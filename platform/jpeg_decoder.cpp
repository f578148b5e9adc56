#include "image_decoder.h"

#include <turbojpeg.h>

#include <limits>
#include <memory>

namespace wayfarer::platform {

namespace {

struct TurboJpegDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TurboJpegHandle = std::unique_ptr<void, TurboJpegDeleter>;

// The smallest of 1/8, 1/4, 1/2 covering minWidth x minHeight, else 1/1. Only these
// tjscalingfactors have SIMD IDCTs; 3/8, 5/8 etc. decode slower than full size.
tjscalingfactor coveringFactor(int width, int height, int minWidth, int minHeight) {
    for (const int denom : {8, 4, 2}) {
        const tjscalingfactor factor{1, denom};
        if (TJSCALED(width, factor) >= minWidth && TJSCALED(height, factor) >= minHeight)
            return factor;
    }
    return tjscalingfactor{1, 1};
}

}

std::optional<std::pair<int, int>> jpegSize(std::string_view bytes) {
    TurboJpegHandle handle(tjInitDecompress());
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colorspace = 0;
    if (!handle || tjDecompressHeader3(handle.get(), reinterpret_cast<const unsigned char*>(bytes.data()),
                                       static_cast<unsigned long>(bytes.size()), &width, &height, &subsampling,
                                       &colorspace) != 0)
        return std::nullopt;
    return std::pair(width, height);
}

std::optional<PixelBuffer> decodeJpeg(std::string_view bytes) {
    return decodeJpeg(bytes, std::numeric_limits<int>::max(), std::numeric_limits<int>::max());
}

std::optional<PixelBuffer> decodeJpeg(std::string_view bytes, int minWidth, int minHeight) {
    TurboJpegHandle handle(tjInitDecompress());
    if (!handle)
        return std::nullopt;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto size = static_cast<unsigned long>(bytes.size());

    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colorspace = 0;
    if (tjDecompressHeader3(handle.get(), data, size, &width, &height, &subsampling, &colorspace) != 0)
        return std::nullopt;
    if (!imageDimensionsAllowed(width, height))
        return std::nullopt;
    const tjscalingfactor factor = coveringFactor(width, height, minWidth, minHeight);
    auto buffer = allocatePixelBuffer(TJSCALED(width, factor), TJSCALED(height, factor));
    if (!buffer)
        return std::nullopt;

    // Any warning (truncation, a damaged segment) fails the call anyway, so stop at the first.
    // TJFLAG_LIMITSCANS refuses progressive files with thousands of scans (minutes to decode).
    const int flags = TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;
    if (tjDecompress2(handle.get(), data, size, buffer->rgba.data(), buffer->width, buffer->bytesPerRow,
                      buffer->height, TJPF_RGBA, flags) != 0)
        return std::nullopt;
    return buffer;
}

}
