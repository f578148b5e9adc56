#include "image.h"

#include "platform/no_destructor.h"

#include <QCoreApplication>
#include <QFile>
#include <QPainter>
#include <QSvgRenderer>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <mutex>
#include <vector>

namespace wayfarer::ui {

struct Image::Data {
    QString name;
    QImage raster;
    std::unique_ptr<QSvgRenderer> svg;
    std::function<QImage(QSize)> render;
    bool inBackground = false;
    QSizeF size;
    // The last rendering at a device size, kept because a list draws the same heart at
    // the same size in every row, and a cover at the same size on every paint.
    mutable std::mutex cacheMutex;
    mutable QImage cached;
    // Rendered in the background: the renderings at the two sizes drawn last (a cover
    // shows on a card and on the detail screen, both drawn while one slides over the
    // other), most recent first; the sizes being rendered, oldest first; who waits, one
    // callback for each paint device (a view paints many times while a size renders).
    static constexpr std::size_t keptSizes = 2;
    mutable std::vector<QImage> renderings;
    mutable std::vector<QSize> pendingSizes;
    mutable std::vector<std::pair<const QPaintDevice*, std::function<void()>>> waiting;
};

namespace {

// The workers that render pictures in the background: one fewer than the cores, so that
// the application's thread keeps one to itself, and at least one.
// Never destroyed, and waited for as the Qt application goes: a rendering still running
// as the program ends would paint with Qt's state being torn down.
QThreadPool& renderingPool() {
    static platform::NoDestructor<QThreadPool> pool;
    static const bool sized = [] {
        pool->setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
        qAddPostRoutine([] { renderingPool().waitForDone(); });
        return true;
    }();
    (void)sized;
    return *pool;
}

}

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

Image Image::fromRenderer(QSizeF size, std::function<QImage(QSize)> render, Rendering rendering) {
    auto data = std::make_shared<Data>();
    data->render = std::move(render);
    data->inBackground = rendering == Rendering::inBackground;
    data->size = size;
    return Image(std::move(data));
}

void Image::waitForBackgroundRendering() { renderingPool().waitForDone(); }

QSizeF Image::size() const { return data_->size; }

const QString& Image::name() const { return data_->name; }

QImage Image::toQImage(const QSize& pixelSize) const {
    if (pixelSize.isEmpty())
        return {};
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
            // A null image is kept as no size at all: the next draw asks again.
            data_->cached = data_->render(pixelSize);
        } else {
            data_->cached = data_->raster.size() == pixelSize
                                ? data_->raster
                                : data_->raster.scaled(pixelSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
    }
    return data_->cached;
}

QImage Image::renderedInBackground(const QSize& pixelSize, const QPaintDevice* device,
                                   const std::function<void()>& whenReady) const {
    Data& data = *data_;
    std::lock_guard lock(data.cacheMutex);
    const auto rendered = std::find_if(data.renderings.begin(), data.renderings.end(),
                                       [&](const QImage& image) { return image.size() == pixelSize; });
    if (rendered != data.renderings.end())
        return *rendered;
    if (whenReady) {
        const auto own = std::find_if(data.waiting.begin(), data.waiting.end(),
                                      [&](const auto& waiter) { return waiter.first == device; });
        if (own != data.waiting.end())
            own->second = whenReady;
        else
            data.waiting.emplace_back(device, whenReady);
    }
    if (std::find(data.pendingSizes.begin(), data.pendingSizes.end(), pixelSize) != data.pendingSizes.end())
        return {};
    // A size asked for no longer (a window being resized) is dropped when it is done.
    if (data.pendingSizes.size() == Data::keptSizes)
        data.pendingSizes.erase(data.pendingSizes.begin());
    data.pendingSizes.push_back(pixelSize);
    renderingPool().start([shared = data_, pixelSize] {
        QImage image = shared->render(pixelSize);
        std::vector<std::pair<const QPaintDevice*, std::function<void()>>> waiting;
        {
            std::lock_guard storing(shared->cacheMutex);
            const auto pending = std::find(shared->pendingSizes.begin(), shared->pendingSizes.end(), pixelSize);
            if (pending == shared->pendingSizes.end())
                return;
            shared->pendingSizes.erase(pending);
            if (image.isNull()) {
                // Nothing to draw: waking the views would only ask again at once, in a loop
                // while memory is short. The next paint asks again.
                if (shared->pendingSizes.empty())
                    shared->waiting.clear();
                return;
            }
            waiting.swap(shared->waiting);
            shared->renderings.insert(shared->renderings.begin(), std::move(image));
            if (shared->renderings.size() > Data::keptSizes)
                shared->renderings.pop_back();
        }
        for (auto& waiter : waiting)
            QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(waiter.second), Qt::QueuedConnection);
    });
    return {};
}

void Image::draw(QPainter& painter, const QRectF& target, const std::function<void()>& whenReady) const {
    if (target.isEmpty())
        return;
    // Drawn from a copy made at the device's size: scaling a picture on every paint
    // costs more than the rest of a list row.
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QTransform& transform = painter.worldTransform();
    const qreal scale = ratio * std::max(std::abs(transform.m11()), std::abs(transform.m22()));
    const QSize pixels = (target.size() * scale).toSize().expandedTo(QSize(1, 1));
    if (data_->inBackground) {
        const QImage ready = renderedInBackground(pixels, painter.device(), whenReady);
        if (!ready.isNull())
            painter.drawImage(target, ready);
        return;
    }
    const QImage picture = toQImage(pixels);
    if (!picture.isNull())
        painter.drawImage(target, picture);
}

}
