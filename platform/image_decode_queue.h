#pragma once

#include "image.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace wayfarer::platform {

// Image::decode on a single process-wide decoding thread, FIFO unless ranked. `done`
// runs on that thread (nullptr for bad bytes); callers post to the main queue themselves.
// From std::atexit on, waiting and later requests are dropped without running `done`.
void decodeImageAsync(std::string bytes, std::function<void(std::shared_ptr<const Image>)> done);

// Live rank the owner may update while waiting: highest first, FIFO among equals;
// a null priority goes before all.
using DecodePriority = std::shared_ptr<const std::atomic<std::int64_t>>;
void decodeImageAsync(std::string bytes, std::function<void(std::shared_ptr<const Image>)> done,
                      DecodePriority priority);

// The atexit stop, run early by a program whose main queue dies before exit: drops
// waiting and later requests, joins the one in progress.
void stopImageDecoding();

}
