#pragma once

#include "platform/pixel_buffer.h"

#include <cstdint>
#include <string>

// Pictures made in code and encoded with the same libraries the decoders use, for tests
// and benchmarks.
namespace wayfarer::samples {

// Smooth colour gradients that differ with `seed`, with alpha between 128 and 255. With
// `grain` above 0, pseudo-random noise of that amplitude per channel makes the picture
// compress about as well as a photograph.
platform::PixelBuffer makePicture(int width, int height, std::uint32_t seed = 0, int grain = 0);

std::string encodeJpeg(const platform::PixelBuffer& picture, int quality = 85, bool progressive = false);
// With `grey`, a greyscale PNG of the picture's red channel.
std::string encodePng(const platform::PixelBuffer& picture, bool grey = false);
std::string encodeWebp(const platform::PixelBuffer& picture, float quality = 80, bool lossless = false);

}
