#include "image_decoder.h"

#include <turbojpeg.h>

#include <memory>

namespace wayfarer::platform {

namespace {

struct TurboJpegDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TurboJpegHandle = std::unique_ptr<void, TurboJpegDeleter>;

}

std::optional<PixelBuffer> decodeJpeg(std::string_view bytes) {
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
    auto buffer = allocatePixelBuffer(width, height);
    if (!buffer)
        return std::nullopt;

    // A warning (data ran out, a damaged segment) fails the call either way; stopping at
    // the first one spares decoding the rest. LIMITSCANS refuses progressive files built
    // with thousands of scans to take minutes.
    const int flags = TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;
    if (tjDecompress2(handle.get(), data, size, buffer->rgba.data(), buffer->width, buffer->bytesPerRow,
                      buffer->height, TJPF_RGBA, flags) != 0)
        return std::nullopt;
    return buffer;
}

}
