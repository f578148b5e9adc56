#include "view.h"

#include "accessibility.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QResizeEvent>

namespace wayfarer::ui {

namespace {

constexpr const char* maskProperty = "_wayfarer_autoresizingMask";

// Shares a change of the parent's size among the mask's flexible margins and size.
class AutoresizingFilter final : public QObject {
public:
    static constexpr const char* name = "_wayfarer_autoresizing";

    AutoresizingFilter(QWidget& widget) : QObject(&widget), widget_(&widget) {
        setObjectName(QLatin1String(name));
        watch(widget.parentWidget());
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (widget_ && event->type() == QEvent::ParentChange && watched == widget_)
            watch(widget_->parentWidget());
        else if (widget_ && event->type() == QEvent::Resize && watched == parent_)
            follow(static_cast<QResizeEvent*>(event));
        return false;
    }

private:
    void watch(QWidget* parent) {
        if (parent_)
            parent_->removeEventFilter(this);
        parent_ = parent;
        if (parent_) {
            parent_->installEventFilter(this);
            parentSize_ = parent_->size();
        }
        if (widget_)
            widget_->installEventFilter(this);
    }

    // From the size last seen: a hidden parent's resizes come as one, without oldSize(), when shown.
    void follow(const QResizeEvent* event) {
        const QSize before = parentSize_;
        parentSize_ = event->size();
        if (!before.isValid() || before == event->size())
            return;
        const auto mask = autoresizingMask(*widget_);
        QRect frame = widget_->geometry();
        auto share = [](int delta, bool leading, bool size, bool trailing, int& origin, int& extent) {
            const int parts = int(leading) + int(size) + int(trailing);
            if (parts == 0)
                return;
            const int each = delta / parts;
            if (leading)
                origin += each;
            if (size)
                extent += delta - each * (int(leading) + int(trailing));
        };
        int x = frame.x(), y = frame.y(), width = frame.width(), height = frame.height();
        share(event->size().width() - before.width(), mask.testFlag(Autoresizing::flexibleLeftMargin),
              mask.testFlag(Autoresizing::flexibleWidth), mask.testFlag(Autoresizing::flexibleRightMargin), x, width);
        share(event->size().height() - before.height(), mask.testFlag(Autoresizing::flexibleTopMargin),
              mask.testFlag(Autoresizing::flexibleHeight), mask.testFlag(Autoresizing::flexibleBottomMargin), y, height);
        widget_->setGeometry(x, y, std::max(0, width), std::max(0, height));
    }

    QPointer<QWidget> widget_;
    QPointer<QWidget> parent_;
    QSize parentSize_;
};

}

void setAutoresizingMask(QWidget& widget, AutoresizingMask mask) {
    widget.setProperty(maskProperty, mask.toInt());
    auto* filter = dynamic_cast<AutoresizingFilter*>(
        widget.findChild<QObject*>(QLatin1String(AutoresizingFilter::name), Qt::FindDirectChildrenOnly));
    if (mask && !filter)
        new AutoresizingFilter(widget);  // owned by the widget
    else if (!mask && filter)
        delete filter;
}

AutoresizingMask autoresizingMask(const QWidget& widget) {
    return AutoresizingMask::fromInt(widget.property(maskProperty).toInt());
}

void paintBackground(QPainter& painter, const QRectF& rect, const Color& color, double cornerRadius) {
    const QColor resolved = color.resolved();
    if (resolved.alpha() == 0)
        return;
    if (cornerRadius <= 0) {
        painter.fillRect(rect, resolved);
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(resolved);
    painter.drawRoundedRect(rect, cornerRadius, cornerRadius);
    painter.restore();
}

View::View(QWidget* parent) : QWidget(parent) { installAccessibleInterfaces(); }

void View::setBackgroundColor(const Color& color) {
    backgroundColor_ = color;
    update();
}

void View::setCornerRadius(double radius) {
    cornerRadius_ = radius;
    update();
}

void View::addSubview(QWidget& subview) {
    subview.setParent(this);
    subview.raise();
    subview.show();
}

void View::declareOutlets(Outlets&) {}

void View::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintBackground(painter, rect(), backgroundColor_, cornerRadius_);
}

}
