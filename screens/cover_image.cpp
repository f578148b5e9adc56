#include "cover_image.h"

#include "platform/image.h"

namespace wayfarer {

std::optional<ui::Image> coverImage(const std::shared_ptr<const platform::Image>& cover) {
    if (!cover)
        return std::nullopt;
    // Decoding again and scaling take longer than a frame: they run on a worker, and the
    // card shows its empty thumbnail until the picture is ready.
    return ui::Image::fromRenderer(
        QSizeF(cover->width(), cover->height()),
        [cover](QSize pixelSize) {
            const auto pixels = cover->pixels();
            if (!pixels)
                return QImage();
            // A view of the cached pixels: `pixels` keeps them alive until the copy is made.
            const QImage decoded(pixels->rgba.data(), pixels->width, pixels->height, pixels->bytesPerRow,
                                 QImage::Format_RGBA8888);
            // Premultiplied, the format the screen is painted in: drawing needs no conversion.
            const QImage converted = decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
            if (converted.size() == pixelSize)
                return converted;
            return converted.scaled(pixelSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        },
        ui::Image::Rendering::inBackground);
}

}
