#include "activity_indicator_view.h"

#include <QPainter>

#include <cmath>

namespace wayfarer::ui {

namespace {
constexpr int spokes = 8;
}

ActivityIndicatorView::ActivityIndicatorView(QWidget* parent) : View(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    timer_.setInterval(1000 / 12);
    connect(&timer_, &QTimer::timeout, this, [this] {
        phase_ = (phase_ + 1) % spokes;
        update();
    });
    hide();
}

ActivityIndicatorView::ActivityIndicatorView(const QRect& frame, QWidget* parent) : ActivityIndicatorView(parent) {
    setFrame(frame);
}

void ActivityIndicatorView::startAnimating() {
    if (!timer_.isActive())
        timer_.start();
    show();
}

void ActivityIndicatorView::stopAnimating() {
    timer_.stop();
    hide();
}

void ActivityIndicatorView::paintEvent(QPaintEvent* event) {
    View::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double radius = 10.0;
    const double width = radius / 4.0;
    painter.translate(QRectF(rect()).center());
    QColor color = Color::systemGray().resolved();
    for (int spoke = 0; spoke < spokes; ++spoke) {
        // The leading spoke is darkest; the others fade behind it as the wheel turns.
        const int age = (spoke - phase_ + spokes) % spokes;
        color.setAlphaF(static_cast<float>(1.0 - age * 0.85 / spokes));
        painter.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
        const double angle = -2 * M_PI * spoke / spokes;
        const QPointF direction(std::sin(angle), -std::cos(angle));
        painter.drawLine(direction * radius * 0.45, direction * (radius - width / 2));
    }
}

}
