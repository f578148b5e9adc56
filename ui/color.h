#pragma once

#include <QColor>

#include <optional>
#include <string_view>

namespace wayfarer::ui {

enum class Appearance { light, dark };

// The appearance that colours follow: dark when the application's palette is dark. Platform
// versions before 13 have no dark appearance.
Appearance currentAppearance();

// Which appearance the application shows: the desktop's (its palette as it stands), or
// one chosen for it whatever the desktop's is. Needs the application object.
enum class AppearancePreference { system, light, dark };
void setAppearancePreference(AppearancePreference preference);
// The preference of a name: "system", "light" or "dark".
std::optional<AppearancePreference> appearancePreferenceNamed(std::string_view name);

// A colour as the screens name it: either fixed, or one that follows the appearance and
// is resolved each time it is drawn.
class Color {
public:
    Color() = default;
    Color(const QColor& fixed) : light_(fixed), dark_(fixed) {}  // NOLINT: a fixed colour is a colour
    static Color dynamic(const QColor& light, const QColor& dark) { return Color(light, dark); }
    static Color fromRgb(double red, double green, double blue, double alpha = 1.0);

    QColor resolved() const { return resolved(currentAppearance()); }
    QColor resolved(Appearance appearance) const { return appearance == Appearance::dark ? dark_ : light_; }
    bool followsAppearance() const { return light_ != dark_; }
    // This colour in light appearance, and `dark` in dark appearance.
    Color withDarkVariant(const QColor& dark) const { return Color(light_, dark); }
    Color withAlphaComponent(double alpha) const;

    friend bool operator==(const Color&, const Color&) = default;

    // Fixed colours.
    static Color white();
    static Color black();
    static Color lightGray();
    static Color gray();
    static Color clear();
    // Colours that follow the appearance.
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
