#include "color.h"

#include "environment.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>

namespace wayfarer::ui {

namespace {

// For what Qt draws itself: QLineEdit's text, placeholder and selection.
QPalette darkPalette() {
    QPalette palette;
    const QColor background(28, 28, 30);
    const QColor raised(44, 44, 46);
    const QColor text(255, 255, 255);
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, background);
    palette.setColor(QPalette::AlternateBase, raised);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::PlaceholderText, QColor(235, 235, 245, 150));
    palette.setColor(QPalette::Button, raised);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, text);
    palette.setColor(QPalette::Light, QColor(72, 72, 74));
    palette.setColor(QPalette::Midlight, QColor(58, 58, 60));
    palette.setColor(QPalette::Mid, raised);
    palette.setColor(QPalette::Dark, QColor(18, 18, 20));
    palette.setColor(QPalette::Shadow, QColor(0, 0, 0));
    palette.setColor(QPalette::Highlight, QColor(10, 132, 255));
    palette.setColor(QPalette::HighlightedText, text);
    palette.setColor(QPalette::Link, QColor(10, 132, 255));
    palette.setColor(QPalette::ToolTipBase, raised);
    palette.setColor(QPalette::ToolTipText, text);
    for (const auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, QColor(235, 235, 245, 96));
    return palette;
}

}

Appearance currentAppearance() {
    return platformVersion() >= 13 && QGuiApplication::palette().color(QPalette::Window).lightness() < 128
               ? Appearance::dark
               : Appearance::light;
}

void setAppearancePreference(AppearancePreference preference) {
    // The desktop's, from before the first choice.
    static const QPalette desktop = QGuiApplication::palette();
    switch (preference) {
    case AppearancePreference::system:
        QApplication::setPalette(desktop);
        break;
    case AppearancePreference::light:
        QApplication::setPalette(QApplication::style()->standardPalette());
        break;
    case AppearancePreference::dark:
        QApplication::setPalette(darkPalette());
        break;
    }
}

std::optional<AppearancePreference> appearancePreferenceNamed(std::string_view name) {
    if (name == "system")
        return AppearancePreference::system;
    if (name == "light")
        return AppearancePreference::light;
    if (name == "dark")
        return AppearancePreference::dark;
    return std::nullopt;
}

Color Color::withAlphaComponent(double alpha) const {
    const auto faded = [alpha](QColor color) {
        color.setAlphaF(static_cast<float>(alpha));
        return color;
    };
    return Color(faded(light_), faded(dark_));
}

Color Color::white() { return Color(QColor(255, 255, 255)); }
Color Color::lightGray() { return Color(QColor(170, 170, 170)); }
Color Color::gray() { return Color(QColor(128, 128, 128)); }
Color Color::clear() { return Color(QColor(0, 0, 0, 0)); }

Color Color::systemBackground() { return dynamic(QColor(255, 255, 255), QColor(0, 0, 0)); }
Color Color::label() { return dynamic(QColor(0, 0, 0), QColor(255, 255, 255)); }
Color Color::secondaryLabel() { return dynamic(QColor(60, 60, 67, 153), QColor(235, 235, 245, 153)); }
Color Color::systemGray() { return dynamic(QColor(142, 142, 147), QColor(142, 142, 147)); }
Color Color::systemBlue() { return dynamic(QColor(0, 122, 255), QColor(10, 132, 255)); }

}
