#include "button.h"

#include "view.h"

#include <QKeyEvent>
#include <QPainter>

namespace wayfarer::ui {

namespace {
constexpr int imageTitleSpacing = 6;
}

Button::Button(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QAbstractButton::pressed, this, [this] { sendActions(ControlEvent::touchDown); });
    connect(this, &QAbstractButton::clicked, this, [this] { sendActions(ControlEvent::touchUpInside); });
}

std::optional<QString> Button::title(ControlState) const { return title_; }

void Button::setTitle(const std::optional<QString>& title, ControlState state) {
    if (state != ControlState::normal)
        return;
    title_ = title;
    setText(title.value_or(QString()));
    updateGeometry();
    update();
}

const std::optional<Image>& Button::image(ControlState) const { return image_; }

void Button::setImage(const std::optional<Image>& image, ControlState state) {
    if (state != ControlState::normal)
        return;
    image_ = image;
    updateGeometry();
    update();
}

void Button::setImageContentMode(ContentMode mode) {
    imageContentMode_ = mode;
    update();
}

void Button::setTintColor(const Color& color) {
    tintColor_ = color;
    update();
}

void Button::setTitleColor(const std::optional<Color>& color) {
    titleColor_ = color;
    update();
}

void Button::setBackgroundColor(const Color& color) {
    backgroundColor_ = color;
    update();
}

void Button::setCornerRadius(double radius) {
    cornerRadius_ = radius;
    update();
}

QSize Button::sizeHint() const {
    const QSize titleSize = title_ ? fontMetrics().size(Qt::TextSingleLine, *title_) : QSize();
    const QSize imageSize = image_ ? image_->size().toSize() : QSize();
    const int spacing = title_ && image_ ? imageTitleSpacing : 0;
    return QSize(titleSize.width() + imageSize.width() + spacing + 8,
                 std::max({titleSize.height(), imageSize.height(), 22}) + 4);
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
    const QSizeF titleSize = title_ && !title_->isEmpty() ? QSizeF(fontMetrics().size(Qt::TextSingleLine, *title_))
                                                          : QSizeF();
    QSizeF imageSize;
    if (image_) {
        const QSizeF room(std::max(0.0, area.width() - titleSize.width() - (titleSize.isEmpty() ? 0 : imageTitleSpacing)),
                          area.height());
        imageSize = image_->size();
        if (imageContentMode_ == ContentMode::scaleAspectFit || imageSize.width() > room.width() ||
            imageSize.height() > room.height())
            imageSize = imageSize.scaled(room, Qt::KeepAspectRatio);
    }
    const double spacing = !imageSize.isEmpty() && !titleSize.isEmpty() ? imageTitleSpacing : 0.0;
    double x = area.center().x() - (imageSize.width() + spacing + titleSize.width()) / 2;
    if (!imageSize.isEmpty()) {
        image_->draw(painter, QRectF(QPointF(x, area.center().y() - imageSize.height() / 2), imageSize));
        x += imageSize.width() + spacing;
    }
    if (!titleSize.isEmpty()) {
        painter.setPen(titleColor_.value_or(tintColor_).resolved());
        painter.setFont(font());
        painter.drawText(QRectF(x, area.top(), titleSize.width() + 1, area.height()), Qt::AlignVCenter | Qt::AlignLeft,
                         *title_);
    }
    if (hasFocus() && focusPolicy() != Qt::NoFocus) {
        painter.setOpacity(1.0);
        QPen pen(tintColor_.resolved(), 1.5);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(area.adjusted(1, 1, -1, -1), std::max(cornerRadius_, 3.0), std::max(cornerRadius_, 3.0));
    }
}

void Button::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return event->accept();
    }
    QAbstractButton::keyPressEvent(event);
}

}
