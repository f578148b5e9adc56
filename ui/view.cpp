#include "view.h"

#include "accessibility.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>

namespace wayfarer::ui {

namespace {

// The mask is a dynamic property: QUiLoader sets a property a class does not declare that way.
constexpr const char* maskProperty = "autoresizingMask";
// The parent's size that the widget's frame was last laid out for.
constexpr const char* parentSizeProperty = "_wayfarer_parentSize";

// Shares the change of the parent's size since the widget was last laid out among the
// mask's flexible margins and size.
void followParent(QWidget& widget, QSize parentSize) {
    const AutoresizingMask mask = autoresizingMask(widget);
    const QSize before = widget.property(parentSizeProperty).toSize();
    if (!mask || before == parentSize)
        return;
    widget.setProperty(parentSizeProperty, parentSize);
    if (!before.isValid())
        return;
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
    const QRect frame = widget.geometry();
    int x = frame.x(), y = frame.y(), width = frame.width(), height = frame.height();
    share(parentSize.width() - before.width(), mask.testFlag(Autoresizing::flexibleLeftMargin),
          mask.testFlag(Autoresizing::flexibleWidth), mask.testFlag(Autoresizing::flexibleRightMargin), x, width);
    share(parentSize.height() - before.height(), mask.testFlag(Autoresizing::flexibleTopMargin),
          mask.testFlag(Autoresizing::flexibleHeight), mask.testFlag(Autoresizing::flexibleBottomMargin), y, height);
    widget.setGeometry(x, y, std::max(0, width), std::max(0, height));
}

}

void setAutoresizingMask(QWidget& widget, AutoresizingMask mask) {
    widget.setProperty(maskProperty, mask.toInt());
    if (const QWidget* parent = widget.parentWidget())
        widget.setProperty(parentSizeProperty, parent->size());
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

void View::addSubview(QWidget& subview) {
    subview.setParent(this);
    subview.raise();
    subview.show();
}

// From the size each child last saw: a hidden view's resizes come as one, without
// QResizeEvent::oldSize(), when shown.
void View::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        followParent(*child, event->size());
}

void View::childEvent(QChildEvent* event) {
    QWidget::childEvent(event);
    if (event->added())
        event->child()->setProperty(parentSizeProperty, size());
}

void View::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintBackground(painter, rect(), backgroundColor_, cornerRadius_);
}

}
