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

// A picture with a size in points, drawn at the device's pixel size (QSvgRenderer for SVG).
// Copies share it.
class Image {
public:
    // ":/Assets/NAME.svg" or ".png", read anew at each call; an SVG is parsed when first measured
    // or drawn, and an invalid one then has an empty size and draws nothing.
    static std::optional<Image> named(const QString& name);
    static std::optional<Image> fromSvg(const QByteArray& svg, const QString& name = {});
    static std::optional<Image> fromQImage(const QImage& image);
    // `render` gives the picture at a pixel size (never empty): for draw() on a QThreadPool
    // thread, drawing nothing until ready, the last two sizes kept; for toQImage() at once.
    // A null image (no memory now) draws nothing, and the next draw asks again.
    static Image fromRenderer(QSizeF size, std::function<QImage(QSize pixelSize)> render);
    // QThreadPool::waitForDone; the views that waited repaint once the event loop runs.
    static void waitForBackgroundRendering();

    QSizeF size() const;
    // The asset name, if loaded by named().
    const QString& name() const;
    // A renderer's size not ready draws nothing; `whenReady` then runs on the GUI thread
    // once it is: the last one given for each QPaintDevice, none if it gave nothing.
    void draw(QPainter& painter, const QRectF& target, const std::function<void()>& whenReady = {}) const;
    // Starts toQImage(pixelSize) on a QThreadPool thread, for a draw() at that size to come.
    void prepare(const QSize& pixelSize) const;
    // Starts an SVG's parsing on a QThreadPool thread; size() and draws wait for it.
    void parseInBackground() const;
    // Null for an empty size.
    QImage toQImage(const QSize& pixelSize) const;
    bool isSameAs(const Image& other) const { return data_ == other.data_; }

private:
    struct Data;
    explicit Image(std::shared_ptr<Data> data) : data_(std::move(data)) {}
    // Null until ready; starts the rendering once.
    QImage renderedInBackground(const QSize& pixelSize, const QPaintDevice* device,
                                const std::function<void()>& whenReady) const;

    std::shared_ptr<Data> data_;
};

}
