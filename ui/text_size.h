#pragma once

class QWidget;

namespace wayfarer::ui {

// Sizes in interface files and screens are for Qt's default font of 9 points; on screen
// they scale with QApplication::font().
inline constexpr double standardTextPointSize = 9.0;

// QApplication::font()'s size over the standard one.
double textScale();

// A font of `points` at the standard size, scaled now and at each QEvent::ApplicationFontChange.
void setScaledPointSize(QWidget& widget, double points);

}
