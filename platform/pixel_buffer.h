#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wayfarer::platform {

// RGBA8888, straight (not premultiplied) alpha, top-down, stride = width * 4.
struct PixelBuffer {
    int width = 0;
    int height = 0;
    int bytesPerRow = 0;
    std::vector<std::uint8_t> rgba;

    std::size_t byteSize() const { return rgba.size(); }
};

}
