#include "color.h"

#include "environment.h"

#include <QGuiApplication>
#include <QPalette>

namespace wayfarer::ui {

Appearance currentAppearance() {
    if (platformVersion() < 13)
        return Appearance::light;
    return QGuiApplication::palette().color(QPalette::Window).lightness() < 128 ? Appearance::dark
                                                                                : Appearance::light;
}

Color Color::fromRgb(double red, double green, double blue, double alpha) {
    return Color(QColor::fromRgbF(static_cast<float>(red), static_cast<float>(green), static_cast<float>(blue),
                                  static_cast<float>(alpha)));
}

Color Color::withAlphaComponent(double alpha) const {
    QColor light = light_;
    QColor dark = dark_;
    light.setAlphaF(static_cast<float>(alpha));
    dark.setAlphaF(static_cast<float>(alpha));
    return Color(light, dark);
}

Color Color::white() { return Color(QColor(255, 255, 255)); }
Color Color::black() { return Color(QColor(0, 0, 0)); }
Color Color::lightGray() { return Color(QColor(170, 170, 170)); }
Color Color::gray() { return Color(QColor(128, 128, 128)); }
Color Color::clear() { return Color(QColor(0, 0, 0, 0)); }

Color Color::systemBackground() { return dynamic(QColor(255, 255, 255), QColor(0, 0, 0)); }
Color Color::label() { return dynamic(QColor(0, 0, 0), QColor(255, 255, 255)); }
Color Color::secondaryLabel() { return dynamic(QColor(60, 60, 67, 153), QColor(235, 235, 245, 153)); }
Color Color::systemGray() { return dynamic(QColor(142, 142, 147), QColor(142, 142, 147)); }
Color Color::systemBlue() { return dynamic(QColor(0, 122, 255), QColor(10, 132, 255)); }

}
