#pragma once

#include "ui/image.h"

#include <QString>

#include <array>
#include <optional>

namespace wayfarer::shell {

// The application's image assets, in declaration order.
enum class ImageAsset { milanGallery, romeCathedral, archeology, logoMain, glyph, search, heartFill, heartWhite, heartBlack };

inline constexpr std::array allImageAssets{
    ImageAsset::milanGallery, ImageAsset::romeCathedral, ImageAsset::archeology,
    ImageAsset::logoMain,     ImageAsset::glyph,         ImageAsset::search,
    ImageAsset::heartFill,    ImageAsset::heartWhite,    ImageAsset::heartBlack,
};

QString assetName(ImageAsset asset);
// The asset's image, looked up anew on every call; nothing when the resources lack it.
std::optional<ui::Image> image(ImageAsset asset);

}
