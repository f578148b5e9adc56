#include "image_samples.h"
#include "platform/image.h"
#include "platform/image_decoder.h"

#include <benchmark/benchmark.h>

#include <functional>

namespace wayfarer::platform {
namespace {

// A cover as the catalogue serves them: 1200 x 800, with the grain of a photograph.
const PixelBuffer& cover() {
    static const PixelBuffer picture = samples::makePicture(1200, 800, 7, 6);
    return picture;
}

void decodeEncoded(benchmark::State& state, const std::string& bytes) {
    for (auto _ : state) {
        auto pixels = decodeImagePixels(bytes);
        if (!pixels) {
            state.SkipWithError("not decoded");
            break;
        }
        benchmark::DoNotOptimize(pixels->rgba.data());
    }
    state.counters["encoded_bytes"] = static_cast<double>(bytes.size());
    state.counters["megapixels"] = benchmark::Counter(static_cast<double>(state.iterations()) * 1200 * 800 / 1e6,
                                                        benchmark::Counter::kIsRate);
}

void BM_DecodeJpeg(benchmark::State& state) {
    decodeEncoded(state, samples::encodeJpeg(cover(), 85));
}
BENCHMARK(BM_DecodeJpeg)->Unit(benchmark::kMillisecond);

void BM_DecodePng(benchmark::State& state) {
    decodeEncoded(state, samples::encodePng(cover()));
}
BENCHMARK(BM_DecodePng)->Unit(benchmark::kMillisecond);

void BM_DecodeWebp(benchmark::State& state) {
    decodeEncoded(state, samples::encodeWebp(cover(), 80));
}
BENCHMARK(BM_DecodeWebp)->Unit(benchmark::kMillisecond);

// Decoding for a card of 366 x 240 points at 1x and 2x, and for the detail header: the
// smallest reduction that covers the picture drawn aspect-filled.
void BM_DecodeJpegCovering(benchmark::State& state) {
    const std::string bytes = samples::encodeJpeg(cover(), 85);
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    int decodedWidth = 0;
    for (auto _ : state) {
        auto pixels = decodeImagePixels(ImageFormat::jpeg, bytes, width, height);
        if (!pixels) {
            state.SkipWithError("not decoded");
            break;
        }
        decodedWidth = pixels->width;
        benchmark::DoNotOptimize(pixels->rgba.data());
    }
    state.counters["decoded_width"] = decodedWidth;
}
BENCHMARK(BM_DecodeJpegCovering)->Args({366, 244})->Args({732, 488})->Args({0, 0})->Unit(benchmark::kMillisecond);

// Checking bytes as they arrive: what the decoding thread spends on each cover.
void BM_ImageDecode(benchmark::State& state) {
    const std::string bytes = samples::encodeJpeg(cover(), 85);
    const auto cache = std::make_shared<DecodedImageCache>();
    for (auto _ : state)
        benchmark::DoNotOptimize(Image::decode(bytes, cache));
}
BENCHMARK(BM_ImageDecode)->Unit(benchmark::kMillisecond);

// What showing a cell costs once its cover is in the cache, and once it has been dropped.
void BM_PixelsFromCache(benchmark::State& state) {
    const auto image = Image::decode(samples::encodeJpeg(cover(), 85), std::make_shared<DecodedImageCache>());
    for (auto _ : state)
        benchmark::DoNotOptimize(image->pixels());
}
BENCHMARK(BM_PixelsFromCache);

void BM_PixelsDecodedAgain(benchmark::State& state) {
    const auto cache = std::make_shared<DecodedImageCache>();
    const auto image = Image::decode(samples::encodeJpeg(cover(), 85), cache);
    for (auto _ : state) {
        cache->clear();
        benchmark::DoNotOptimize(image->pixels());
    }
}
BENCHMARK(BM_PixelsDecodedAgain)->Unit(benchmark::kMillisecond);

}
}
