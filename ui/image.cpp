#include "image.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

#include <mutex>

namespace wayfarer::ui {

struct Image::Data {
    QString name;
    QImage raster;
    std::unique_ptr<QSvgRenderer> svg;
    std::function<QImage(QSize)> render;
    QSizeF size;
    // The last rendering at a device size, kept because a list draws the same heart at
    // the same size in every row, and a cover at the same size on every paint.
    mutable std::mutex cacheMutex;
    mutable QImage cached;
};

std::optional<Image> Image::named(const QString& name) {
    if (name.isEmpty() || name.contains(u'/'))
        return std::nullopt;
    QFile svg(QStringLiteral(":/Assets/%1.svg").arg(name));
    if (svg.open(QIODevice::ReadOnly))
        return fromSvg(svg.readAll(), name);
    QImage raster(QStringLiteral(":/Assets/%1.png").arg(name));
    auto image = fromQImage(raster);
    if (image)
        image->data_->name = name;
    return image;
}

std::optional<Image> Image::fromSvg(const QByteArray& svg, const QString& name) {
    auto data = std::make_shared<Data>();
    data->svg = std::make_unique<QSvgRenderer>(svg);
    if (!data->svg->isValid())
        return std::nullopt;
    data->name = name;
    data->size = data->svg->viewBoxF().size();
    if (data->size.isEmpty())
        data->size = data->svg->defaultSize();
    return Image(std::move(data));
}

std::optional<Image> Image::fromQImage(const QImage& image) {
    if (image.isNull())
        return std::nullopt;
    auto data = std::make_shared<Data>();
    data->raster = image;
    data->size = QSizeF(image.size()) / image.devicePixelRatio();
    return Image(std::move(data));
}

Image Image::fromRenderer(QSizeF size, std::function<QImage(QSize)> render) {
    auto data = std::make_shared<Data>();
    data->render = std::move(render);
    data->size = size;
    return Image(std::move(data));
}

QSizeF Image::size() const { return data_->size; }

const QString& Image::name() const { return data_->name; }

QImage Image::toQImage(const QSize& pixelSize) const {
    std::lock_guard lock(data_->cacheMutex);
    if (data_->cached.size() != pixelSize) {
        if (data_->svg) {
            QImage image(pixelSize, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            data_->svg->render(&painter, QRectF(QPointF(0, 0), QSizeF(pixelSize)));
            painter.end();
            data_->cached = std::move(image);
        } else if (data_->render) {
            data_->cached = data_->render(pixelSize);
        } else {
            data_->cached = data_->raster.size() == pixelSize
                                ? data_->raster
                                : data_->raster.scaled(pixelSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
    }
    return data_->cached;
}

void Image::draw(QPainter& painter, const QRectF& target) const {
    if (target.isEmpty())
        return;
    // Drawn from a copy made at the device's size: scaling a picture on every paint
    // costs more than the rest of a list row.
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QTransform& transform = painter.worldTransform();
    const qreal scale = ratio * std::max(std::abs(transform.m11()), std::abs(transform.m22()));
    const QSize pixels = (target.size() * scale).toSize().expandedTo(QSize(1, 1));
    const QImage picture = toQImage(pixels);
    if (!picture.isNull())
        painter.drawImage(target, picture);
}

}
