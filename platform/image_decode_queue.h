#pragma once

#include "image.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace wayfarer::platform {

// Decodes `bytes` as Image::decode does, on the process's one image-decoding thread
// (never the caller's), one request after another, in the order asked unless ranked.
// `done` runs on that thread with the image, or with nullptr when the bytes are no image;
// callers post onwards to the main queue themselves. Requests still waiting when the process exits
// are dropped without running `done`, and so are those asked after that.
void decodeImageAsync(std::string bytes, std::function<void(std::shared_ptr<const Image>)> done);

// A waiting request's rank, which its owner may change while it waits: the highest is
// decoded next, equal ones in the order asked; a request without one goes before all.
using DecodePriority = std::shared_ptr<const std::atomic<std::int64_t>>;
void decodeImageAsync(std::string bytes, std::function<void(std::shared_ptr<const Image>)> done,
                      DecodePriority priority);

// Stops decoding for good, as at exit: drops the requests waiting and those asked later,
// and waits for the one being decoded. For a program whose main queue goes before the
// process ends.
void stopImageDecoding();

}
