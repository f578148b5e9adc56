#pragma once

#include <QColor>

#include <optional>
#include <string_view>

namespace wayfarer::ui {

enum class Appearance { light, dark };

// Dark when QGuiApplication::palette()'s QPalette::Window is dark, from platformVersion() 13.
Appearance currentAppearance();

// `system` is the desktop's palette; the others set QApplication::setPalette.
enum class AppearancePreference { system, light, dark };
void setAppearancePreference(AppearancePreference preference);
std::optional<AppearancePreference> appearancePreferenceNamed(std::string_view name);

// A fixed colour, or one per appearance resolved each time it is drawn.
class Color {
public:
    Color() = default;
    Color(const QColor& fixed) : light_(fixed), dark_(fixed) {}  // NOLINT: a fixed colour is a colour
    static Color dynamic(const QColor& light, const QColor& dark) { return Color(light, dark); }

    QColor resolved() const { return resolved(currentAppearance()); }
    QColor resolved(Appearance appearance) const { return appearance == Appearance::dark ? dark_ : light_; }
    Color withDarkVariant(const QColor& dark) const { return Color(light_, dark); }
    Color withAlphaComponent(double alpha) const;

    friend bool operator==(const Color&, const Color&) = default;

    static Color white();
    static Color lightGray();
    static Color gray();
    static Color clear();
    static Color systemBackground();
    static Color label();
    static Color secondaryLabel();
    static Color systemGray();
    static Color systemBlue();

private:
    Color(const QColor& light, const QColor& dark) : light_(light), dark_(dark) {}

    QColor light_ = Qt::transparent;
    QColor dark_ = Qt::transparent;
};

}
