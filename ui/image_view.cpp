#include "image_view.h"

#include <QPainter>
#include <QPointer>

#include <cmath>
#include <utility>

namespace wayfarer::ui {

QRectF imageRect(const QRectF& bounds, const QSizeF& imageSize, ContentMode mode) {
    if (imageSize.isEmpty())
        return {};
    QSizeF size = imageSize;
    switch (mode) {
    case ContentMode::scaleToFill:
        return bounds;
    case ContentMode::scaleAspectFit:
        size = imageSize.scaled(bounds.size(), Qt::KeepAspectRatio);
        break;
    case ContentMode::scaleAspectFill:
        size = imageSize.scaled(bounds.size(), Qt::KeepAspectRatioByExpanding);
        break;
    case ContentMode::center:
        break;
    }
    return QRectF(bounds.center() - QPointF(size.width() / 2, size.height() / 2), size);
}

ImageView::ImageView(QWidget* parent) : View(parent) {
    cycle_.setStartValue(0.0);
    cycle_.setEndValue(1.0);
    connect(&cycle_, &QVariantAnimation::valueChanged, this, [this] {
        if (currentAnimationFrame() != shownFrame_)
            update();
    });
}

void ImageView::setImage(const std::optional<Image>& image) {
    image_ = image;
    update();
}

void ImageView::setContentMode(ContentMode mode) {
    contentMode_ = mode;
    update();
}

void ImageView::setAnimationImages(std::vector<Image> images) {
    animationImages_ = std::move(images);
    if (animationImages_.empty())
        stopAnimating();
    update();
}

double ImageView::frameSeconds() const {
    const double duration = animationDuration_ > 0 ? animationDuration_ : animationImages_.size() / 30.0;
    return duration / static_cast<double>(animationImages_.size());
}

void ImageView::startAnimating() {
    if (animationImages_.empty() || animating_)
        return;
    animating_ = true;
    shownFrame_.reset();
    // Measured by the first resizeEvent; parsed meanwhile.
    animationImages_.front().parseInBackground();
    const double cycleSeconds = frameSeconds() * static_cast<double>(animationImages_.size());
    cycle_.setDuration(std::max(1, static_cast<int>(std::lround(cycleSeconds * 1000))));
    cycle_.setLoopCount(-1);
    cycle_.start();
    update();
}

void ImageView::stopAnimating() {
    animating_ = false;
    cycle_.stop();
    shownFrame_.reset();
    update();
}

std::optional<std::size_t> ImageView::currentAnimationFrame() const {
    if (!animating_)
        return std::nullopt;
    const auto frame = static_cast<std::size_t>(std::floor(cycle_.currentLoopTime() / 1000.0 / frameSeconds()));
    return std::min(frame, animationImages_.size() - 1);
}

void ImageView::resizeEvent(QResizeEvent* event) {
    View::resizeEvent(event);
    // The first size (as the window is shown): the frame rendered on a pool thread meanwhile.
    if (animating_ && !std::exchange(firstSizePrepared_, true)) {
        const Image& shown = animationImages_[*currentAnimationFrame()];
        const QSizeF size = imageRect(rect(), shown.size(), contentMode_).size() * devicePixelRatioF();
        shown.prepare(size.toSize().expandedTo(QSize(1, 1)));
    }
}

void ImageView::paintEvent(QPaintEvent* event) {
    View::paintEvent(event);
    const Image* shown = image_ ? &*image_ : nullptr;
    if (animating_) {
        shownFrame_ = currentAnimationFrame();
        shown = &animationImages_[*shownFrame_];
    }
    if (!shown)
        return;
    QPainter painter(this);
    painter.setClipRect(rect());
    shown->draw(painter, imageRect(rect(), shown->size(), contentMode_), [view = QPointer<ImageView>(this)] {
        if (view)
            view->update();
    });
}

}
