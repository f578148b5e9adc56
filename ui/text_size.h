#pragma once

class QWidget;

namespace wayfarer::ui {

// Text sizes in interface files and screens are given for the toolkit's standard text
// size, Qt's own default font of 9 points. On screen every one follows the application's
// font, which follows the desktop's: with a font 1.5 times the standard size, every text
// is 1.5 times the size it was given.
inline constexpr double standardTextPointSize = 9.0;

// The application's font size over the standard one.
double textScale();

// Gives `widget` a font of `points` at the standard text size, scaled now and again
// whenever the application's font changes.
void setScaledPointSize(QWidget& widget, double points);
// The size given to `widget` by setScaledPointSize, or 0.
double scaledPointSize(const QWidget& widget);

}
