#include "cover_image.h"

#include "platform/image.h"

#include <QPainter>

#include <algorithm>
#include <vector>

namespace wayfarer {

namespace {

// Bilinear QPainter draw on the calling thread: QImage::scaled and convertToFormat split
// large images over QImage's shared thread pool, competing with the GUI thread.
QImage drawnAt(const QImage& source, QSize size) {
    QImage target(size, QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::transparent);
    QPainter painter(&target);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(0, 0), size), source);
    return target;
}

// Halves while more than twice `size`, since bilinear filtering samples only 4 pixels.
QImage scaled(QImage source, QSize size) {
    // An empty size would halve forever.
    if (size.isEmpty() || source.isNull())
        return {};
    while (source.width() >= 2 * size.width() && source.height() >= 2 * size.height())
        source = drawnAt(source, source.size() / 2);
    return drawnAt(source, size);
}

ui::Image makeCoverImage(const std::shared_ptr<const platform::Image>& cover) {
    // Decoding and scaling exceed a frame: rendered on a QThreadPool, empty until done.
    return ui::Image::fromRenderer(
        QSizeF(cover->width(), cover->height()),
        [cover](QSize pixelSize) {
            // libjpeg-turbo DCT scaling, to no less than the size drawn.
            const auto pixels = cover->pixels(pixelSize.width(), pixelSize.height());
            if (!pixels)
                return QImage();
            // Wraps the cached pixels; `pixels` keeps them alive while drawn.
            const QImage decoded(pixels->rgba.data(), pixels->width, pixels->height, pixels->bytesPerRow,
                                 QImage::Format_RGBA8888);
            return scaled(decoded, pixelSize);
        });
}

// Most recently used covers with their renderings, so reloadData shows them at once.
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
    // The cards of a tall window and the detail header.
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
    // GUI thread only.
    static RecentCovers recent;
    return recent.imageFor(cover);
}

}
