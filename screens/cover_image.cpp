#include "cover_image.h"

#include "platform/image.h"

#include <QPainter>

#include <algorithm>
#include <vector>

namespace wayfarer {

namespace {

// `source` drawn into a new picture of `size` with bilinear filtering, on this thread
// alone. QImage's own conversions and smooth scaling split large pictures over the
// application's shared image workers, which then compete with the thread that draws the
// frames; drawing with QPainter does not.
QImage drawnAt(const QImage& source, QSize size) {
    QImage target(size, QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::transparent);
    QPainter painter(&target);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(0, 0), size), source);
    return target;
}

// `source` scaled to `size`. Bilinear filtering reads only four pixels for each pixel it
// writes, so a picture is halved first while it is more than twice the size: each
// halving averages every pixel, as a smooth scaling would.
QImage scaled(QImage source, QSize size) {
    // Halving would never reach an empty size.
    if (size.isEmpty() || source.isNull())
        return {};
    while (source.width() >= 2 * size.width() && source.height() >= 2 * size.height())
        source = drawnAt(source, source.size() / 2);
    return drawnAt(source, size);
}

ui::Image makeCoverImage(const std::shared_ptr<const platform::Image>& cover) {
    // Decoding again and scaling take longer than a frame: they run on a worker, and the
    // card shows its empty thumbnail until the picture is ready.
    return ui::Image::fromRenderer(
        QSizeF(cover->width(), cover->height()),
        [cover](QSize pixelSize) {
            // A JPEG comes reduced in the DCT to no less than the size drawn.
            const auto pixels = cover->pixels(pixelSize.width(), pixelSize.height());
            if (!pixels)
                return QImage();
            // A view of the cached pixels: `pixels` keeps them alive until it is drawn.
            const QImage decoded(pixels->rgba.data(), pixels->width, pixels->height, pixels->bytesPerRow,
                                 QImage::Format_RGBA8888);
            // Premultiplied, the format the screen is painted in: drawing needs no conversion.
            return scaled(decoded, pixelSize);
        },
        ui::Image::Rendering::inBackground);
}

// The covers shown last, with their renderings: a row filled again (every visible row is,
// when the list reloads) shows its picture at once instead of waiting for it anew.
class RecentCovers {
public:
    ui::Image imageFor(const std::shared_ptr<const platform::Image>& cover) {
        const auto found = std::find_if(entries_.begin(), entries_.end(),
                                        [&](const Entry& entry) { return entry.cover.lock() == cover; });
        if (found != entries_.end()) {
            std::rotate(entries_.begin(), found, found + 1);
            return entries_.front().image;
        }
        if (entries_.size() == capacity)
            entries_.pop_back();
        entries_.insert(entries_.begin(), Entry{cover, makeCoverImage(cover)});
        return entries_.front().image;
    }

private:
    // Enough for the cards of a tall window and the detail screen's picture.
    static constexpr std::size_t capacity = 12;
    struct Entry {
        std::weak_ptr<const platform::Image> cover;
        ui::Image image;
    };
    std::vector<Entry> entries_;
};

}

std::optional<ui::Image> coverImage(const std::shared_ptr<const platform::Image>& cover) {
    if (!cover)
        return std::nullopt;
    // The screens are drawn on the application's thread only.
    static RecentCovers recent;
    return recent.imageFor(cover);
}

}
