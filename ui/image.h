#pragma once

#include <QImage>
#include <QSizeF>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QPainter;
class QRectF;

namespace wayfarer::ui {

// An image as the screens use it: a picture with a size in points that draws itself into
// any rectangle. Vector images draw sharp at every scale. Copies share the picture.
class Image {
public:
    // The image asset `name` from the application's resources (":/Assets/NAME.svg" or
    // ".png"), or nothing when there is no such asset. Every call reads the resources anew.
    static std::optional<Image> named(const QString& name);
    static std::optional<Image> fromSvg(const QByteArray& svg, const QString& name = {});
    // Nothing for a null image.
    static std::optional<Image> fromQImage(const QImage& image);
    // A picture of `size` points that `render` draws on demand at a size in device
    // pixels; only the last rendering is kept. For photographs held elsewhere in a
    // compact form, so that a screen holds pixels only for what it shows. `render` may
    // return a null image when the pixels cannot be had; nothing is drawn then.
    static Image fromRenderer(QSizeF size, std::function<QImage(QSize pixelSize)> render);

    QSizeF size() const;
    // The asset name the image was loaded under; empty for images made otherwise.
    const QString& name() const;
    void draw(QPainter& painter, const QRectF& target) const;
    // The picture at a size in device pixels.
    QImage toQImage(const QSize& pixelSize) const;
    bool isSameAs(const Image& other) const { return data_ == other.data_; }

private:
    struct Data;
    explicit Image(std::shared_ptr<Data> data) : data_(std::move(data)) {}

    std::shared_ptr<Data> data_;
};

}
