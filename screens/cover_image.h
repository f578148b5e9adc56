#pragma once

#include "ui/image.h"

#include <memory>
#include <optional>

namespace wayfarer {

namespace platform {
class Image;
}

// A ui::Image rendered in the background from the compressed cover at the size drawn, so
// only visible rows hold pixels; recent covers return the same image. Main thread only.
std::optional<ui::Image> coverImage(const std::shared_ptr<const platform::Image>& cover);

}
