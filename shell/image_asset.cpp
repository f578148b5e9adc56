#include "image_asset.h"

namespace wayfarer::shell {

QString assetName(ImageAsset asset) {
    switch (asset) {
    case ImageAsset::milanGallery:
        return QStringLiteral("Milan_Gallery");
    case ImageAsset::romeCathedral:
        return QStringLiteral("Rome_Cathedral");
    case ImageAsset::archeology:
        return QStringLiteral("Archeology");
    case ImageAsset::logoMain:
        return QStringLiteral("Lorvanta_Logo_Main");
    case ImageAsset::glyph:
        return QStringLiteral("Lorvanta_Glyph");
    case ImageAsset::search:
        return QStringLiteral("Search");
    case ImageAsset::heartFill:
        return QStringLiteral("Lorvanta_Heart_Fill");
    case ImageAsset::heartWhite:
        return QStringLiteral("Lorvanta_Heart_White");
    case ImageAsset::heartBlack:
        return QStringLiteral("Lorvanta_Heart_Black");
    }
    return {};
}

std::optional<ui::Image> image(ImageAsset asset) { return ui::Image::named(assetName(asset)); }

}
