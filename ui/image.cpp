#include "image.h"

#include "platform/no_destructor.h"

#include <QCache>
#include <QCoreApplication>
#include <QFile>
#include <QPainter>
#include <QSvgRenderer>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <map>
#include <mutex>

namespace wayfarer::ui {

struct Image::Data {
    QString name;
    QImage raster;
    // An asset's SVG is parsed on first use: an animation's later frames after the first paint.
    QByteArray svgSource;
    std::once_flag svgParsed;
    std::unique_ptr<QSvgRenderer> svg;
    std::function<QImage(QSize)> render;
    QSizeF size;
    // Every row of a list draws the same heart at the same size.
    mutable std::mutex cacheMutex;
    mutable QImage cached;
    // A renderer's: a card's cover and the detail screen's, both drawn while one slides
    // over the other. Keyed by pixelKey().
    static constexpr int keptSizes = 2;
    mutable QCache<quint64, QImage> renderings{keptSizes};
    // Oldest first.
    mutable QList<QSize> pendingSizes;
    mutable std::map<const QPaintDevice*, std::function<void()>> waiting;

    // The QSvgRenderer, parsed once; null for a picture not from SVG or an invalid one.
    QSvgRenderer* parsedSvg() {
        std::call_once(svgParsed, [this] {
            if (svgSource.isEmpty())
                return;
            auto renderer = std::make_unique<QSvgRenderer>(svgSource);
            if (const QCoreApplication* application = QCoreApplication::instance())
                renderer->moveToThread(application->thread());
            svgSource.clear();
            if (!renderer->isValid())
                return;
            size = renderer->viewBoxF().size();
            if (size.isEmpty())
                size = renderer->defaultSize();
            svg = std::move(renderer);
        });
        return svg.get();
    }
};

namespace {

quint64 pixelKey(QSize size) { return (quint64(quint32(size.width())) << 32) | quint32(size.height()); }

// One thread fewer than the cores, leaving one to the GUI thread. Waited for by a
// qAddPostRoutine: a rendering must not outlive QApplication.
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
    if (svg.open(QIODevice::ReadOnly)) {
        auto data = std::make_shared<Data>();
        data->svgSource = svg.readAll();
        data->name = name;
        return Image(std::move(data));
    }
    QImage raster(QStringLiteral(":/Assets/%1.png").arg(name));
    auto image = fromQImage(raster);
    if (image)
        image->data_->name = name;
    return image;
}

std::optional<Image> Image::fromSvg(const QByteArray& svg, const QString& name) {
    auto data = std::make_shared<Data>();
    data->svgSource = svg;
    if (!data->parsedSvg())
        return std::nullopt;
    data->name = name;
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

void Image::waitForBackgroundRendering() { renderingPool().waitForDone(); }

QSizeF Image::size() const {
    data_->parsedSvg();
    return data_->size;
}

const QString& Image::name() const { return data_->name; }

QImage Image::toQImage(const QSize& pixelSize) const {
    if (pixelSize.isEmpty())
        return {};
    std::lock_guard lock(data_->cacheMutex);
    if (data_->cached.size() != pixelSize) {
        if (QSvgRenderer* svg = data_->parsedSvg()) {
            QImage image(pixelSize, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            svg->render(&painter, QRectF(QPointF(0, 0), QSizeF(pixelSize)));
            painter.end();
            data_->cached = std::move(image);
        } else if (data_->render) {
            // A null image has no size: the next draw asks again.
            data_->cached = data_->render(pixelSize);
        } else {
            data_->cached = data_->raster.size() == pixelSize
                                ? data_->raster
                                : data_->raster.scaled(pixelSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
    }
    return data_->cached;
}

void Image::prepare(const QSize& pixelSize) const {
    if (data_->render || pixelSize.isEmpty())
        return;
    renderingPool().start([shared = data_, pixelSize] { Image(shared).toQImage(pixelSize); });
}

void Image::parseInBackground() const {
    renderingPool().start([shared = data_] { shared->parsedSvg(); });
}

QImage Image::renderedInBackground(const QSize& pixelSize, const QPaintDevice* device,
                                   const std::function<void()>& whenReady) const {
    Data& data = *data_;
    std::lock_guard lock(data.cacheMutex);
    if (const QImage* rendered = data.renderings.object(pixelKey(pixelSize)))
        return *rendered;
    if (whenReady)
        data.waiting[device] = whenReady;
    if (data.pendingSizes.contains(pixelSize))
        return {};
    // A size asked for no longer (a window being resized) is dropped when it is done.
    if (data.pendingSizes.size() == Data::keptSizes)
        data.pendingSizes.removeFirst();
    data.pendingSizes.append(pixelSize);
    renderingPool().start([shared = data_, pixelSize] {
        QImage image = shared->render(pixelSize);
        std::map<const QPaintDevice*, std::function<void()>> waiting;
        {
            std::lock_guard storing(shared->cacheMutex);
            if (!shared->pendingSizes.removeOne(pixelSize))
                return;
            if (image.isNull()) {
                // Waking the views would ask again at once: a loop while memory is short.
                if (shared->pendingSizes.isEmpty())
                    shared->waiting.clear();
                return;
            }
            waiting.swap(shared->waiting);
            shared->renderings.insert(pixelKey(pixelSize), new QImage(std::move(image)));
        }
        for (auto& waiter : waiting)
            QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(waiter.second), Qt::QueuedConnection);
    });
    return {};
}

void Image::draw(QPainter& painter, const QRectF& target, const std::function<void()>& whenReady) const {
    if (target.isEmpty())
        return;
    // From a copy at the device's pixel size: QPainter scaling on every paint costs more.
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QTransform& transform = painter.worldTransform();
    const qreal scale = ratio * std::max(std::abs(transform.m11()), std::abs(transform.m22()));
    const QSize pixels = (target.size() * scale).toSize().expandedTo(QSize(1, 1));
    if (data_->render) {
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
