#pragma once

#include "ui/image.h"

#include <memory>
#include <optional>

namespace wayfarer {

namespace platform {
class Image;
}

// A record's cover as the screens draw it. The picture keeps only the compressed cover
// and draws from the process's cache of decoded pixels, scaled to the size it is shown
// at, so a long list holds pixels only for the rows in view.
std::optional<ui::Image> coverImage(const std::shared_ptr<const platform::Image>& cover);

}
