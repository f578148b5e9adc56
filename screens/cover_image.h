#pragma once

#include "ui/image.h"

#include <memory>
#include <optional>

namespace wayfarer {

namespace platform {
class Image;
}

// A record's cover as the screens draw it. The picture keeps only the compressed cover
// and draws from the process's cache of decoded pixels, scaled on a worker to the size it
// is shown at, so a long list holds pixels only for the rows in view. The same cover
// asked for again soon after gives the same picture, already scaled. Main thread only.
std::optional<ui::Image> coverImage(const std::shared_ptr<const platform::Image>& cover);

}
