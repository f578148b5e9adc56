#include "cover_image.h"

#include "platform/image.h"

namespace wayfarer {

std::optional<ui::Image> coverImage(const std::shared_ptr<const platform::Image>& cover) {
    if (!cover)
        return std::nullopt;
    return ui::Image::fromRenderer(QSizeF(cover->width(), cover->height()), [cover](QSize pixelSize) {
        const auto pixels = cover->pixels();
        if (!pixels)
            return QImage();
        // A view of the cached pixels: `pixels` keeps them alive until the scaled copy is made.
        const QImage decoded(pixels->rgba.data(), pixels->width, pixels->height, pixels->bytesPerRow,
                             QImage::Format_RGBA8888);
        if (decoded.size() == pixelSize)
            return decoded.copy();
        return decoded.scaled(pixelSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    });
}

}
