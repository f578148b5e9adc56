#pragma once

#include <QImage>
#include <QSizeF>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QPaintDevice;
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
    // When a picture made by a renderer is rendered: as it is drawn, or on a worker
    // thread, drawing nothing until it is ready.
    enum class Rendering { whenDrawn, inBackground };

    // A picture of `size` points that `render` draws on demand at a size in device
    // pixels; the last rendering is kept (in the background, the last two sizes). For
    // photographs held elsewhere in a compact form, so that a screen holds pixels only for
    // what it shows. `render` may return a null image when the pixels cannot be had now
    // (memory is short); nothing is drawn then, and the next draw asks again. It is never
    // called for an empty size. In the background, `render` runs on a worker thread and
    // must be safe there.
    static Image fromRenderer(QSizeF size, std::function<QImage(QSize pixelSize)> render,
                              Rendering rendering = Rendering::whenDrawn);
    // Waits until no picture is being rendered in the background, for pictures of the
    // screen and tests; the views that waited repaint once the event loop runs.
    static void waitForBackgroundRendering();

    QSizeF size() const;
    // The asset name the image was loaded under; empty for images made otherwise.
    const QString& name() const;
    // Draws the picture into `target`. A picture rendered in the background that is not
    // ready at this size draws nothing now; `whenReady` then runs on the application's
    // thread once it is: the last one given for each paint device, however often the
    // device drew the picture meanwhile, and none when the rendering gave nothing.
    void draw(QPainter& painter, const QRectF& target, const std::function<void()>& whenReady = {}) const;
    // The picture at a size in device pixels; a null image for an empty size.
    QImage toQImage(const QSize& pixelSize) const;
    bool isSameAs(const Image& other) const { return data_ == other.data_; }

private:
    struct Data;
    explicit Image(std::shared_ptr<Data> data) : data_(std::move(data)) {}
    // The rendering at `pixelSize` when it is ready; otherwise starts it (once) and
    // returns a null image.
    QImage renderedInBackground(const QSize& pixelSize, const QPaintDevice* device,
                                const std::function<void()>& whenReady) const;

    std::shared_ptr<Data> data_;
};

}
