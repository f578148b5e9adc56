// Holds many distinct 1200 x 800 JPEG covers as Images, as a long results list does, and
// prints the process's resident memory after making them and after showing the last 20.
//
//   image_memory [COUNT [GRAIN [CACHE_MB]]]
//
// Defaults: 1000 covers, grain 6 (photograph-like), the cache's default capacity.

#include "image_samples.h"
#include "platform/image.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

// VmRSS of /proc/self/status, in kB.
long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

void report(const char* moment) {
    const auto cache = wayfarer::platform::DecodedImageCache::shared();
    std::printf("%-34s VmRSS %7.1f MB   cache %6.1f MB in %zu images\n", moment, residentKilobytes() / 1024.0,
                static_cast<double>(cache->size()) / (1 << 20), cache->count());
}

}

int main(int argc, char** argv) {
    using namespace wayfarer;
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int grain = argc > 2 ? std::atoi(argv[2]) : 6;
    if (argc > 3)
        platform::DecodedImageCache::shared()->setCapacity(std::size_t(std::atoi(argv[3])) << 20);
    report("at start");

    std::vector<std::shared_ptr<const platform::Image>> images;
    std::size_t encodedBytes = 0;
    for (int i = 0; i < count; ++i) {
        auto image = platform::Image::decode(
            samples::encodeJpeg(samples::makePicture(1200, 800, static_cast<std::uint32_t>(i), grain), 85));
        if (!image) {
            std::fprintf(stderr, "image_memory: cover %d did not decode\n", i);
            return 1;
        }
        encodedBytes += image->encodedSize();
        images.push_back(std::move(image));
    }
    std::printf("cache capacity %.0f MB\n",
                static_cast<double>(platform::DecodedImageCache::shared()->capacity()) / (1 << 20));
    std::printf("%d covers of 1200 x 800, JPEG quality 85, grain %d: %.1f MB encoded (%.0f kB each)\n", count,
                grain, static_cast<double>(encodedBytes) / (1 << 20),
                static_cast<double>(encodedBytes) / count / 1024);
    report("after making them");

    // Show the last 20 as a list scrolled to its end does; a view copies what it shows,
    // so the pixels are not held here.
    for (std::size_t i = images.size() >= 20 ? images.size() - 20 : 0; i < images.size(); ++i)
        if (images[i]->pixels() == nullptr)
            return 1;
    report("after pixels() of the last 20");
    return 0;
}
