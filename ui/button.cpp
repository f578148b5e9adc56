#include "button.h"

#include "accessibility.h"
#include "view.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace wayfarer::ui {

namespace {
constexpr int imageTitleSpacing = 6;
}

Button::Button(QWidget* parent) : QAbstractButton(parent) {
    installAccessibleInterfaces();
    setFocusPolicy(Qt::TabFocus);
    // Narrower than its title, the button wraps the title and grows in height.
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum, sizePolicy().controlType());
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(this, &QAbstractButton::clicked, this, [this] { emit touchUpInside(this); });
}

void Button::setTitle(const std::optional<QString>& title, ControlState) {
    title_ = title;
    setText(title.value_or(QString()));
    updateGeometry();
    update();
}

void Button::setImage(const std::optional<Image>& image, ControlState) {
    image_ = image;
    updateGeometry();
    update();
}

void Button::setSelected(bool selected) {
    setCheckable(true);
    setChecked(selected);
}

double Button::horizontalPadding() const {
    // A rounded button keeps its title clear of its rounded ends.
    return std::max(4.0, cornerRadius_ / 2);
}

Button::Content Button::contentFor(double width) const {
    const bool hasTitle = title_ && !title_->isEmpty();
    if (!hasTitle)
        return {{}, image_.has_value(), false};
    const QFontMetricsF metrics(font());
    const QSizeF line = metrics.size(Qt::TextSingleLine, *title_);
    const double room = width - 2 * horizontalPadding();
    if (!image_ || line.width() + imageTitleSpacing + image_->size().width() <= room || room <= 0)
        return {line, image_.has_value(), false};
    if (line.width() <= room)
        return {line, false, false};
    const QSizeF wrapped = metrics.boundingRect(QRectF(0, 0, room, 1e6), Qt::TextWordWrap | Qt::AlignCenter, *title_).size();
    return {wrapped, false, true};
}

QSize Button::sizeHint() const {
    const QSize titleSize = title_ ? fontMetrics().size(Qt::TextSingleLine, *title_) : QSize();
    const QSize imageSize = image_ ? image_->size().toSize() : QSize();
    const int spacing = title_ && image_ ? imageTitleSpacing : 0;
    return QSize(titleSize.width() + imageSize.width() + spacing + static_cast<int>(std::ceil(2 * horizontalPadding())),
                 std::max({titleSize.height(), imageSize.height(), 22}) + 4);
}

bool Button::hasHeightForWidth() const { return title_.has_value(); }

int Button::heightForWidth(int width) const {
    const Content content = contentFor(width);
    const double imageHeight = content.showsImage ? image_->size().height() : 0.0;
    return static_cast<int>(std::ceil(std::max({content.title.height(), imageHeight, 22.0}))) + 4;
}

void Button::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintBackground(painter, rect(), backgroundColor_, cornerRadius_);
    if (isDown())
        painter.setOpacity(0.3);
    else if (!isEnabled())
        painter.setOpacity(0.4);

    const QRectF area = rect();
    const Content content = contentFor(area.width());
    const QSizeF title = content.title;
    QSizeF imageSize;
    if (content.showsImage) {
        const QSizeF room(std::max(0.0, area.width() - 2 * horizontalPadding() - title.width() -
                                            (title.isEmpty() ? 0 : imageTitleSpacing)),
                          area.height());
        imageSize = image_->size();
        if (imageContentMode_ == ContentMode::scaleAspectFit || imageSize.width() > room.width() ||
            imageSize.height() > room.height())
            imageSize = imageSize.scaled(room, Qt::KeepAspectRatio);
    }
    const double spacing = !imageSize.isEmpty() && !title.isEmpty() ? imageTitleSpacing : 0.0;
    double x = area.center().x() - (imageSize.width() + spacing + title.width()) / 2;
    if (!imageSize.isEmpty()) {
        image_->draw(painter, QRectF(QPointF(x, area.center().y() - imageSize.height() / 2), imageSize));
        x += imageSize.width() + spacing;
    }
    if (!title.isEmpty()) {
        painter.setPen(tintColor_.resolved());
        painter.setFont(font());
        const int flags = content.wrapped ? Qt::AlignCenter | Qt::TextWordWrap : Qt::AlignVCenter | Qt::AlignLeft;
        painter.drawText(QRectF(x, area.top(), title.width() + 1, area.height()), flags, *title_);
    }
    if (hasFocus() && focusPolicy() != Qt::NoFocus) {
        painter.setOpacity(1.0);
        painter.setPen(QPen(tintColor_.resolved(), 1.5));
        painter.setBrush(Qt::NoBrush);
        const double radius = std::max(cornerRadius_, 3.0);
        painter.drawRoundedRect(area.adjusted(1, 1, -1, -1), radius, radius);
    }
}

void Button::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        click();
        return event->accept();
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
        return event->ignore();
    default:
        QAbstractButton::keyPressEvent(event);
    }
}

}
